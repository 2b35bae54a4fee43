// When a modal window that a window owns (a message box, a dialog, a file dialog, directly
// or through another) closes while it is the active window, its owner becomes the active
// window again, as on the desktop the program was made for. Window managers do this
// themselves; without one the keys still reach the owner under the pointer, but Qt takes
// the owner for inactive, so its shortcuts (F1 to F10, Ctrl+Q) would wait for a click while
// its key manager's keys (Escape, Alt letters) act.
#pragma once

#include "controls/widgettreefilter.h"

namespace quenlark {

class OwnerActivation : public WidgetTreeFilter {
    Q_OBJECT
public:
    // Watches the windows `window` owns; owned by it.
    explicit OwnerActivation(QWidget* window);

protected:
    bool filterEvent(QWidget* watched, QEvent* event) override;
    bool filterOwnedWindowEvent(QWidget* watched, QEvent* event) override;
};

} // namespace quenlark
