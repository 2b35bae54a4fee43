#include "controls/quenlarkcolour.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QToolTip>

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

QPalette ProgramPalette() {
    const QColor face(239, 239, 239);
    const QColor text(0, 0, 0);
    const QColor white(255, 255, 255);
    const QColor greyText(100, 100, 100);
    QPalette palette;
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const auto set = [&palette, group](QPalette::ColorRole role, const QColor& colour) {
            palette.setColor(group, role, colour);
        };
        set(QPalette::Window, face);
        set(QPalette::Button, face);
        set(QPalette::Base, disabled ? face : white);
        set(QPalette::AlternateBase, QColor(247, 247, 247));
        set(QPalette::WindowText, disabled ? greyText : text);
        set(QPalette::ButtonText, disabled ? greyText : text);
        set(QPalette::Text, disabled ? greyText : text);
        set(QPalette::BrightText, white);
        set(QPalette::PlaceholderText, greyText);
        set(QPalette::Light, white);
        set(QPalette::Midlight, QColor(202, 202, 202));
        set(QPalette::Mid, QColor(184, 184, 184));
        set(QPalette::Dark, QColor(159, 159, 159));
        set(QPalette::Shadow, QColor(118, 118, 118));
        set(QPalette::Highlight, disabled ? QColor(145, 145, 145) : QColor(41, 110, 176));
        set(QPalette::HighlightedText, white);
        set(QPalette::ToolTipBase, QColor(255, 255, 220));
        set(QPalette::ToolTipText, text);
        set(QPalette::Link, QColor(0, 0, 255));
        set(QPalette::LinkVisited, QColor(128, 0, 128));
    }
    return palette;
}

void UseProgramPalette() {
    QApplication::setPalette(ProgramPalette());
    // Hints have a palette of their own, taken from the desktop's theme.
    QToolTip::setPalette(ProgramPalette());
}

} // namespace quenlark
