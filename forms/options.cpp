#include "forms/options.h"

#include "controls/quenlarkkeymanager.h"
#include "forms/dialogstyle.h"
#include "ui_options.h"

namespace quenlark {

Toptions* options = nullptr;

Toptions::Toptions(QWidget* parent)
    : QDialog(parent, kDialogFlags), ui_(std::make_unique<Ui::options>()) {
    setFont(Tahoma8());
    ui_->setupUi(this);
    setFixedSize(333, 162);

    ui_->titlebar_label->setFont(TitlePanelFont());

    CentreOnScreen(this);

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
