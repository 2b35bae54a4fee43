#include "controls/quenlarkstdbutton.h"

#include "controls/focusrect.h"

#include <QKeyEvent>
#include <QPainter>

namespace quenlark {

TQuenlarkStdButton::TQuenlarkStdButton(QWidget* parent)
    : TQuenlarkButtonBase(parent, true, QSize(75, 23)) {
    setFocusPolicy(Qt::StrongFocus);
}

TQuenlarkStdButton::~TQuenlarkStdButton() = default;

void TQuenlarkStdButton::SetDefault(bool value) {
    default_ = value;
    update();
}

void TQuenlarkStdButton::SetTabStop(bool value) {
    setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TQuenlarkStdButton::Click() {
    setFocus(Qt::OtherFocusReason);
    TQuenlarkButtonBase::Click();
}

void TQuenlarkStdButton::mouseDown(Qt::MouseButton button) {
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    TQuenlarkButtonBase::mouseDown(button);
}

void TQuenlarkStdButton::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    paintButton(canvas, default_ ? 2 : 1);
    if (hasFocus())
        DrawFocusRect(canvas, QRect(1, 1, width() - 3, height() - 3));
}

void TQuenlarkStdButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        KeyboardClick();
        return;
    }
    TQuenlarkButtonBase::keyPressEvent(event);
}

void TQuenlarkStdButton::focusInEvent(QFocusEvent* event) {
    TQuenlarkButtonBase::focusInEvent(event);
    update();
}

void TQuenlarkStdButton::focusOutEvent(QFocusEvent* event) {
    TQuenlarkButtonBase::focusOutEvent(event);
    update();
}

} // namespace quenlark
