#include "controls/focusrect.h"

#include <QList>
#include <QPainter>
#include <QPoint>
#include <QRect>

namespace quenlark {

void DrawFocusRect(QPainter& canvas, const QRect& rect) {
    if (rect.isEmpty())
        return;
    QList<QPoint> dots;
    const auto dot = [&dots, &rect](int x, int y) {
        if ((x - rect.left() + y - rect.top()) % 2 == 0)
            dots.append(QPoint(x, y));
    };
    for (int x = rect.left(); x <= rect.right(); ++x) {
        dot(x, rect.top());
        if (rect.bottom() != rect.top())
            dot(x, rect.bottom());
    }
    for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
        dot(rect.left(), y);
        if (rect.right() != rect.left())
            dot(rect.right(), y);
    }
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    canvas.setPen(QPen(QColor(255, 255, 255), 0));
    canvas.drawPoints(dots.constData(), int(dots.size()));
    canvas.restore();
}

} // namespace quenlark
