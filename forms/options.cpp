#include "forms/options.h"

#include "controls/quenlarkkeymanager.h"
#include "ui_options.h"

#include <QAction>

namespace quenlark {

Toptions::Toptions(QWidget* parent) : QuenlarkDialog(parent), ui_(std::make_unique<Ui::options>()) {
    ui_->setupUi(this);
    finishLayout(ui_->titleLabel);

    connect(ui_->okButton, &TQuenlarkStdButton::clicked, this, &Toptions::ok);
    connect(ui_->cancelButton, &TQuenlarkStdButton::clicked, this, &Toptions::cancel);
    auto* keys = new TQuenlarkKeyManager(this);
    connect(keys->defaultKey(), &QAction::triggered, this, &Toptions::ok);
    connect(keys->cancelKey(), &QAction::triggered, this, &Toptions::cancel);
    connect(keys->altKey('C'), &QAction::triggered, this, &Toptions::cancel);
    connect(keys->altKey('O'), &QAction::triggered, this, &Toptions::ok);
}

Toptions::~Toptions() = default;

void Toptions::setValues(const OptionValues& values) {
    ui_->showTooltipsBox->setChecked(values.displayTooltips);
    ui_->noUrlCheckBox->setChecked(values.disableUrlValidation);
    ui_->emailRequiredBox->setChecked(values.emailRequired);
}

OptionValues Toptions::values() const {
    return {ui_->showTooltipsBox->isChecked(), ui_->noUrlCheckBox->isChecked(),
            ui_->emailRequiredBox->isChecked()};
}

} // namespace quenlark
