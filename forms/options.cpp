#include "forms/options.h"

#include "controls/quenlarkkeymanager.h"
#include "ui_options.h"

#include <QGuiApplication>
#include <QScreen>

namespace quenlark {

Toptions* options = nullptr;

Toptions::Toptions(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::options>()) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11); // 8 point at 96 pixels per inch
    setFont(font);
    ui_->setupUi(this);
    setFixedSize(333, 162);

    QFont titleFont(QStringLiteral("Tahoma"));
    titleFont.setPixelSize(13); // 10 point
    titleFont.setBold(true);
    ui_->titlebar_label->setFont(titleFont);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    ui_->QuenlarkStdButton1->OnClick = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };
    ui_->QuenlarkStdButton2->OnClick = [this](QObject* sender) { QuenlarkStdButton2Click(sender); };

    QuenlarkKeyManager1 = new TQuenlarkKeyManager(this);
    QuenlarkKeyManager1->OnDefault = [this](QObject* sender) { QuenlarkStdButton2Click(sender); };
    QuenlarkKeyManager1->OnCancel = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };
    QuenlarkKeyManager1->Alt_C = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };
    QuenlarkKeyManager1->Alt_O = [this](QObject* sender) { QuenlarkStdButton2Click(sender); };

    options = this;
}

Toptions::~Toptions() {
    if (options == this)
        options = nullptr;
}

void Toptions::QuenlarkStdButton1Click(QObject*) {
    done(mrCancel);
}

void Toptions::QuenlarkStdButton2Click(QObject*) {
    done(mrOk);
}

void Toptions::reject() {
    done(mrCancel);
}

} // namespace quenlark
