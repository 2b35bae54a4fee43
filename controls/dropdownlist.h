// A pick-only combo box that drops down as the desktop's drop-down list does.
#pragma once

class QComboBox;

namespace quenlark {

// The list drops down below the box and shows the box's maxVisibleItems items, each
// `itemHeight` pixels high, with a scroll bar for the rest, where some styles would open a
// menu of every item over the whole screen.
void SetUpDropDownList(QComboBox* box, int itemHeight);

} // namespace quenlark
