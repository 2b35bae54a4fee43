// The options dialog: three check boxes for the program options, Cancel and OK.
#pragma once

#include "ui_options.h"

#include <QDialog>
#include <memory>

namespace quenlark {

class TQuenlarkKeyManager;

class Toptions : public QDialog {
    Q_OBJECT
public:
    // Modal results.
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    explicit Toptions(QWidget* parent = nullptr);
    ~Toptions() override;

    // dont_show_tips, disable_url_validation, email_required, QuenlarkStdButton1 (Cancel),
    // QuenlarkStdButton2 (OK).
    Ui::options* ui() const { return ui_.get(); }

    // Cancel: ends the dialog with mrCancel.
    void QuenlarkStdButton1Click(QObject* Sender);
    // OK: ends the dialog with mrOk.
    void QuenlarkStdButton2Click(QObject* Sender);

    // Enter: OK; Escape and Alt+C: Cancel; Alt+O: OK.
    TQuenlarkKeyManager* QuenlarkKeyManager1 = nullptr;

    // Closing the window any other way ends it with mrCancel.
    void reject() override;

private:
    std::unique_ptr<Ui::options> ui_;
};

// The options dialog while it is open.
extern Toptions* options;

} // namespace quenlark
