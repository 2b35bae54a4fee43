// What every dialog of the program shares: a fixed border without minimise or maximise
// box, Tahoma 8 point, the bold caption of its title panel, its place in the middle of the
// screen, the modal results of its OK and Cancel buttons, and Alt keys that type nothing.
#pragma once

#include <QDialog>
#include <initializer_list>

class QLabel;

namespace quenlark {

class QuenlarkDialog : public QDialog {
    Q_OBJECT
public:
    // Modal results: OK buttons end a dialog with 1, Cancel buttons with 2.
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    // Closing the window by its close box ends the dialog with its close result (mrCancel
    // unless the dialog says otherwise).
    void reject() override;

public slots:
    // End the dialog with mrOk or mrCancel.
    void ok() { done(mrOk); }
    void cancel() { done(mrCancel); }

protected:
    explicit QuenlarkDialog(QWidget* parent);
    // Call once the layout is set up: keeps the size it gave, sets the title panel's font,
    // sizes the labels to their text, names the controls by their labels and centres the
    // dialog.
    void finishLayout(QLabel* title, std::initializer_list<QLabel*> sizedToText = {});
    void setCloseResult(int result) { closeResult_ = result; }

private:
    int closeResult_ = mrCancel;
};

} // namespace quenlark
