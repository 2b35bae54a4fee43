// The options dialog: three check boxes for the program options, Cancel and OK.
#pragma once

#include "forms/quenlarkdialog.h"
#include "platform/programoptions.h"

#include <memory>

namespace Ui {
class options;
}

namespace quenlark {

class Toptions : public QuenlarkDialog {
    Q_OBJECT
public:
    // Enter and Alt+O are OK; Escape and Alt+C are Cancel.
    explicit Toptions(QWidget* parent = nullptr);
    ~Toptions() override;

    // What the boxes show: each box's tick is the option's value itself.
    void setValues(const OptionValues& values);
    OptionValues values() const;

private:
    std::unique_ptr<Ui::options> ui_;
};

} // namespace quenlark
