#include "forms/addcontactfast.h"

#include "controls/quenlarkkeymanager.h"
#include "forms/dialogstyle.h"
#include "ui_addcontactfast.h"

namespace quenlark {

Taddcontactfast* addcontactfast = nullptr;

Taddcontactfast::Taddcontactfast(QWidget* parent)
    : QDialog(parent, kDialogFlags), ui_(std::make_unique<Ui::addcontactfast>()) {
    setFont(Tahoma8());
    ui_->setupUi(this);
    setFixedSize(329, 243);

    ui_->titlebar_label->setFont(TitlePanelFont());

    CentreOnScreen(this);

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
