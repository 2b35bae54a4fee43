#include "controls/owneractivation.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace quenlark {

OwnerActivation::OwnerActivation(QWidget* window) : WidgetTreeFilter(window) {}

bool OwnerActivation::filterEvent(QWidget*, QEvent*) {
    return false;
}

bool OwnerActivation::filterOwnedWindowEvent(QWidget* watched, QEvent* event) {
    if (event->type() != QEvent::Hide || !watched->isWindow() || !watched->isModal())
        return false;
    // Only the window that had the keyboard hands it back (the platform may have let go of
    // it already), never one that another window has taken since.
    const QWidget* active = QApplication::activeWindow();
    if (active && active != watched)
        return false;
    QWidget* owner = watched->parentWidget() ? watched->parentWidget()->window() : nullptr;
    if (owner && owner->isVisible())
        owner->activateWindow();
    return false;
}

} // namespace quenlark
