// Alt with a letter or digit that no command took types nothing, as on the desktop the
// program was made for: the focused box does not get the letter, nor a list its search. That
// holds for the letters of every layout, those on the US layout's punctuation keys included.
#pragma once

#include "controls/widgettreefilter.h"

namespace quenlark {

class AltKeyGuard : public WidgetTreeFilter {
    Q_OBJECT
public:
    // Watches every widget inside the window; owned by it.
    explicit AltKeyGuard(QWidget* window);

protected:
    bool filterEvent(QWidget* watched, QEvent* event) override;
};

} // namespace quenlark
