#include "controls/quenlarkcolour.h"

#include <QGuiApplication>
#include <QPalette>

namespace quenlark {

QColor SystemColour(int index) {
    const QPalette palette = QGuiApplication::palette();
    const auto active = [&palette](QPalette::ColorRole role) {
        return palette.color(QPalette::Active, role);
    };
    switch (index) {
    case COLOR_WINDOW:
        return active(QPalette::Base);
    case COLOR_WINDOWTEXT:
        return active(QPalette::WindowText);
    case COLOR_HIGHLIGHT:
        return active(QPalette::Highlight);
    case COLOR_HIGHLIGHTTEXT:
        return active(QPalette::HighlightedText);
    case COLOR_BTNFACE:
        return active(QPalette::Button);
    case COLOR_BTNSHADOW:
        return active(QPalette::Dark);
    case COLOR_GRAYTEXT:
        return palette.color(QPalette::Disabled, QPalette::Text);
    case COLOR_BTNTEXT:
        return active(QPalette::ButtonText);
    case COLOR_BTNHIGHLIGHT:
        return active(QPalette::Light);
    case COLOR_3DDKSHADOW:
        return active(QPalette::Shadow);
    case COLOR_3DLIGHT:
        return active(QPalette::Midlight);
    case COLOR_INFOTEXT:
        return active(QPalette::ToolTipText);
    case COLOR_INFOBK:
        return active(QPalette::ToolTipBase);
    case COLOR_HOTLIGHT:
        return active(QPalette::Link);
    default:
        return QColor(0, 0, 0);
    }
}

QColor ColourToQColor(TColor colour) {
    if (IsSystemColour(colour))
        return SystemColour(int(colour & ~kSystemColourFlag));
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

TColor ColourFromQColor(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return RGB(rgb.red(), rgb.green(), rgb.blue());
}

TColor ColourToRGB(TColor colour) {
    return ColourFromQColor(ColourToQColor(colour));
}

} // namespace quenlark
