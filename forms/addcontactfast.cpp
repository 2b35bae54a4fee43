#include "forms/addcontactfast.h"

#include "controls/quenlarkkeymanager.h"
#include "ui_addcontactfast.h"

#include <QAction>

namespace quenlark {

Taddcontactfast::Taddcontactfast(QWidget* parent)
    : QuenlarkDialog(parent), ui_(std::make_unique<Ui::addcontactfast>()) {
    ui_->setupUi(this);
    finishLayout(ui_->titleLabel);

    connect(ui_->okButton, &TQuenlarkStdButton::clicked, this, &Taddcontactfast::ok);
    connect(ui_->cancelButton, &TQuenlarkStdButton::clicked, this, &Taddcontactfast::cancel);
    auto* keys = new TQuenlarkKeyManager(this);
    connect(keys->defaultKey(), &QAction::triggered, this, &Taddcontactfast::ok);
    connect(keys->cancelKey(), &QAction::triggered, this, &Taddcontactfast::cancel);
    connect(keys->altKey('C'), &QAction::triggered, this, &Taddcontactfast::cancel);
    connect(keys->altKey('O'), &QAction::triggered, this, &Taddcontactfast::ok);

    ui_->nameEdit->setFocus();
}

Taddcontactfast::~Taddcontactfast() = default;

QString Taddcontactfast::name() const {
    return ui_->nameEdit->text();
}

QString Taddcontactfast::email() const {
    return ui_->emailEdit->text();
}

QString Taddcontactfast::webSite() const {
    return ui_->webSiteEdit->text();
}

bool Taddcontactfast::addAtOnce() const {
    return !ui_->noAutoAddBox->isChecked();
}

} // namespace quenlark
