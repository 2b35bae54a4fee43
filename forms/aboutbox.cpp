#include "forms/aboutbox.h"

#include "controls/quenlarkcolour.h"
#include "controls/quenlarkkeymanager.h"
#include "forms/dialogstyle.h"
#include "resources/bitmaps.h"
#include "ui_aboutbox.h"

namespace quenlark {

Taboutbox* aboutbox = nullptr;

Taboutbox::Taboutbox(QWidget* parent)
    : QDialog(parent, kDialogFlags), ui_(std::make_unique<Ui::aboutbox>()) {
    setFont(Tahoma8());
    ui_->setupUi(this);
    setFixedSize(362, 278);

    ui_->titlebar_label->setFont(TitlePanelFont());
    QFont nameFont = ui_->Label1->font();
    nameFont.setBold(true);
    ui_->Label1->setFont(nameFont);

    // The path is shown on the button face, for reading and copying only.
    QPalette palette = ui_->active_address_book->palette();
    palette.setColor(QPalette::Base, SystemColour(COLOR_BTNFACE));
    ui_->active_address_book->setPalette(palette);

    ui_->QuenlarkWebLink1->SetURL(QString::fromLatin1(kHomePageAddress));
    ui_->QuenlarkWebLink2->SetURL(QStringLiteral("mailto:") +
                                  QString::fromLatin1(kSupportMailAddress));
    ui_->QuenlarkWebLink2->SetCaption(QString::fromLatin1(kSupportMailAddress));

    CentreOnScreen(this);

    ui_->QuenlarkStdButton1->OnClick = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };
    QuenlarkKeyManager1 = new TQuenlarkKeyManager(this);
    QuenlarkKeyManager1->OnDefault = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };
    QuenlarkKeyManager1->OnCancel = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };

    ui_->QuenlarkStdButton1->setFocus();
    aboutbox = this;
    FormCreate();
}

Taboutbox::~Taboutbox() {
    if (aboutbox == this)
        aboutbox = nullptr;
}

void Taboutbox::FormCreate() {
    const QPixmap icon = ApplicationIcon().pixmap(32, 32);
    ui_->app_icon->setPixmap(icon);
    if (!icon.isNull())
        ui_->app_icon->resize(icon.size());
}

void Taboutbox::QuenlarkStdButton1Click(QObject*) {
    done(mrOk);
}

void Taboutbox::reject() {
    QuenlarkStdButton1Click(this);
}

} // namespace quenlark
