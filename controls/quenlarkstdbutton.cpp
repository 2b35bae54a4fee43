#include "controls/quenlarkstdbutton.h"

#include <QKeyEvent>
#include <QPainter>

namespace quenlark {

TQuenlarkStdButton::TQuenlarkStdButton(QWidget* parent)
    : TQuenlarkButtonBase(parent, true, QSize(75, 23)) {
    setFocusPolicy(Qt::StrongFocus);
}

TQuenlarkStdButton::~TQuenlarkStdButton() = default;

void TQuenlarkStdButton::SetDefault(bool Value) {
    FDefault = Value;
    Paint();
}

void TQuenlarkStdButton::SetTabStop(bool Value) {
    setFocusPolicy(Value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TQuenlarkStdButton::Click() {
    setFocus(Qt::OtherFocusReason);
    TQuenlarkButtonBase::Click();
}

void TQuenlarkStdButton::MouseDown(Qt::MouseButton Button) {
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    TQuenlarkButtonBase::MouseDown(Button);
}

void TQuenlarkStdButton::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    PaintButton(canvas, FDefault ? 2 : 1);
    if (hasFocus())
        DrawFocusRect(canvas, QRect(1, 1, width() - 3, height() - 3));
}

void TQuenlarkStdButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        Click();
        return;
    }
    TQuenlarkButtonBase::keyPressEvent(event);
}

void TQuenlarkStdButton::focusInEvent(QFocusEvent* event) {
    TQuenlarkButtonBase::focusInEvent(event);
    Paint();
}

void TQuenlarkStdButton::focusOutEvent(QFocusEvent* event) {
    TQuenlarkButtonBase::focusOutEvent(event);
    Paint();
}

} // namespace quenlark
