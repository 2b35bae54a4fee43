#include "forms/addcontactfast.h"

#include "controls/quenlarkkeymanager.h"
#include "ui_addcontactfast.h"

#include <QGuiApplication>
#include <QScreen>

namespace quenlark {

Taddcontactfast* addcontactfast = nullptr;

Taddcontactfast::Taddcontactfast(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::addcontactfast>()) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11); // 8 point at 96 pixels per inch
    setFont(font);
    ui_->setupUi(this);
    setFixedSize(329, 243);

    QFont titleFont(QStringLiteral("Tahoma"));
    titleFont.setPixelSize(13); // 10 point
    titleFont.setBold(true);
    ui_->titlebar_label->setFont(titleFont);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    ui_->QuenlarkStdButton1->OnClick = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };
    ui_->QuenlarkStdButton2->OnClick = [this](QObject* sender) { QuenlarkStdButton2Click(sender); };

    QuenlarkKeyManager1 = new TQuenlarkKeyManager(this);
    QuenlarkKeyManager1->OnDefault = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };
    QuenlarkKeyManager1->OnCancel = [this](QObject* sender) { QuenlarkStdButton2Click(sender); };
    QuenlarkKeyManager1->Alt_C = [this](QObject* sender) { QuenlarkStdButton2Click(sender); };
    QuenlarkKeyManager1->Alt_O = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };

    ui_->e_name->setFocus();
    addcontactfast = this;
}

Taddcontactfast::~Taddcontactfast() {
    if (addcontactfast == this)
        addcontactfast = nullptr;
}

void Taddcontactfast::QuenlarkStdButton1Click(QObject*) {
    done(mrOk);
}

void Taddcontactfast::QuenlarkStdButton2Click(QObject*) {
    done(mrCancel);
}

void Taddcontactfast::reject() {
    done(mrCancel);
}

} // namespace quenlark
