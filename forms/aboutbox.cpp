#include "forms/aboutbox.h"

#include "controls/quenlarkcolour.h"
#include "controls/quenlarkkeymanager.h"
#include "resources/bitmaps.h"
#include "ui_aboutbox.h"

#include <QAction>

namespace quenlark {

Taboutbox::Taboutbox(QWidget* parent)
    : QuenlarkDialog(parent), ui_(std::make_unique<Ui::aboutbox>()) {
    ui_->setupUi(this);
    finishLayout(ui_->titleLabel);
    setCloseResult(mrOk);

    QFont nameFont = ui_->programName->font();
    nameFont.setBold(true);
    ui_->programName->setFont(nameFont);

    // The path is shown on the button face, for reading and copying only.
    QPalette palette = ui_->databasePath->palette();
    palette.setColor(QPalette::Base, SystemColour(COLOR_BTNFACE));
    ui_->databasePath->setPalette(palette);

    ui_->homePageLink->SetURL(QString::fromLatin1(kHomePageAddress));
    ui_->mailLink->SetURL(QStringLiteral("mailto:") + QString::fromLatin1(kSupportMailAddress));
    ui_->mailLink->SetCaption(QString::fromLatin1(kSupportMailAddress));

    const QPixmap icon = ApplicationIcon().pixmap(32, 32);
    ui_->programIcon->setPixmap(icon);
    if (!icon.isNull())
        ui_->programIcon->resize(icon.size());

    connect(ui_->okButton, &TQuenlarkStdButton::clicked, this, &Taboutbox::ok);
    auto* keys = new TQuenlarkKeyManager(this);
    connect(keys->defaultKey(), &QAction::triggered, this, &Taboutbox::ok);
    connect(keys->cancelKey(), &QAction::triggered, this, &Taboutbox::ok);

    ui_->okButton->setFocus();
}

Taboutbox::~Taboutbox() = default;

void Taboutbox::setDatabasePath(const QString& path) {
    ui_->databasePath->setText(path);
    ui_->databasePath->setCursorPosition(0);
}

} // namespace quenlark
