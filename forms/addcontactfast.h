// The "Add contact fast" dialog: a name, an e-mail address and a web site, and whether the
// main window adds the contact at once.
#pragma once

#include "ui_addcontactfast.h"

#include <QDialog>
#include <memory>

namespace quenlark {

class TQuenlarkKeyManager;

class Taddcontactfast : public QDialog {
    Q_OBJECT
public:
    // Modal results.
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    explicit Taddcontactfast(QWidget* parent = nullptr);
    ~Taddcontactfast() override;

    // e_name, e_email, e_website, noautoadd, QuenlarkStdButton1 (OK),
    // QuenlarkStdButton2 (Cancel).
    Ui::addcontactfast* ui() const { return ui_.get(); }

    // OK: ends the dialog with mrOk.
    void QuenlarkStdButton1Click(QObject* Sender);
    // Cancel: ends the dialog with mrCancel.
    void QuenlarkStdButton2Click(QObject* Sender);

    // Enter and Alt+O: OK; Escape and Alt+C: Cancel.
    TQuenlarkKeyManager* QuenlarkKeyManager1 = nullptr;

    // Closing the window any other way ends it with mrCancel.
    void reject() override;

private:
    std::unique_ptr<Ui::addcontactfast> ui_;
};

// The add contact fast dialog while it is open.
extern Taddcontactfast* addcontactfast;

} // namespace quenlark
