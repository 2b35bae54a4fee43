// The program's push button: flat, owner-drawn and focusable, with optional icons for the
// normal, hover and pressed looks, a drop-down menu and a thicker frame for the form's
// default button.
#pragma once

#include "controls/quenlarkbuttonbase.h"

namespace quenlark {

class TQuenlarkStdButton : public TQuenlarkButtonBase {
    Q_OBJECT
    Q_PROPERTY(bool Default READ Default WRITE SetDefault)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)

public:
    // 75 by 23 pixels, with a border, not the default button, a tab stop.
    explicit TQuenlarkStdButton(QWidget* parent = nullptr);
    ~TQuenlarkStdButton() override;

    bool Default() const { return default_; }
    bool TabStop() const { return focusPolicy() == Qt::StrongFocus; }

    // Stores the value and redraws: the default button has a 2-pixel frame. It does not make
    // Enter click the button while another control has the focus.
    void SetDefault(bool value);
    // Whether Tab stops on the button. It takes the focus when clicked either way.
    void SetTabStop(bool value);

    // Takes the keyboard focus, then clicks as every Quenlark button does.
    void Click() override;

    QSize sizeHint() const override { return QSize(75, 23); }

protected:
    // Takes the focus whatever the mouse button; the left one also shows the pressed look.
    void mouseDown(Qt::MouseButton button) override;

    void paintEvent(QPaintEvent* event) override;
    // Enter clicks the button; every other key, Space included, is left to the form.
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool default_ = false;
};

} // namespace quenlark
