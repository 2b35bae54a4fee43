#include "controls/widgettreefilter.h"

#include <QChildEvent>
#include <QEvent>
#include <QWidget>

namespace quenlark {

WidgetTreeFilter::WidgetTreeFilter(QWidget* root) : QObject(root), root_(root) {
    watch(root);
}

void WidgetTreeFilter::watch(QWidget* widget) {
    widget->installEventFilter(this);
    for (QObject* child : widget->children())
        if (child->isWidgetType())
            watch(static_cast<QWidget*>(child));
}

bool WidgetTreeFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ChildAdded) {
        // A widget made or moved inside a watched one, at the start of its life: its own
        // children arrive the same way.
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType())
            watch(static_cast<QWidget*>(child));
        return false;
    }
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    // Dialogs and menus owned by the root are windows of their own.
    if (widget != root_ && !root_->isAncestorOf(widget))
        return filterOwnedWindowEvent(widget, event);
    return filterEvent(widget, event);
}

bool WidgetTreeFilter::filterOwnedWindowEvent(QWidget*, QEvent*) {
    return false;
}

} // namespace quenlark
