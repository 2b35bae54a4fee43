// The desktop's dotted focus rectangle, drawn the same way by every control of the program.
#pragma once

class QPainter;
class QRect;

namespace quenlark {

// Inverts every other pixel of the outline of `rect` (the corner pixel included), so the
// dots show on any background and drawing them twice removes them.
void DrawFocusRect(QPainter& canvas, const QRect& rect);

} // namespace quenlark
