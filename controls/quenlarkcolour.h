// Colour values of the program's controls and layouts: 0x00BBGGRR is an RGB colour (red in
// the low byte); 0x80000000 plus an index is one of the desktop's system colours, looked up
// in the application palette each time it is drawn.
#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace quenlark {

using TColor = std::uint32_t;

inline constexpr TColor kSystemColourFlag = 0x80000000u;

// System colour indices.
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_3DDKSHADOW = 21;
inline constexpr int COLOR_3DLIGHT = 22;
inline constexpr int COLOR_INFOTEXT = 23;
inline constexpr int COLOR_INFOBK = 24;
inline constexpr int COLOR_HOTLIGHT = 26;

// Named colour values as layouts write them.
inline constexpr TColor clBlack = 0x00000000u;
inline constexpr TColor clWhite = 0x00FFFFFFu;
inline constexpr TColor clRed = 0x000000FFu;
inline constexpr TColor clLime = 0x0000FF00u;
inline constexpr TColor clBlue = 0x00FF0000u;
inline constexpr TColor clFuchsia = 0x00FF00FFu;
inline constexpr TColor clWindow = kSystemColourFlag + COLOR_WINDOW;
inline constexpr TColor clWindowText = kSystemColourFlag + COLOR_WINDOWTEXT;
inline constexpr TColor clHighlight = kSystemColourFlag + COLOR_HIGHLIGHT;
inline constexpr TColor clHighlightText = kSystemColourFlag + COLOR_HIGHLIGHTTEXT;
inline constexpr TColor clBtnFace = kSystemColourFlag + COLOR_BTNFACE;
inline constexpr TColor clBtnShadow = kSystemColourFlag + COLOR_BTNSHADOW;
inline constexpr TColor clBtnText = kSystemColourFlag + COLOR_BTNTEXT;

// The colour value of red, green and blue (0 to 255 each).
constexpr TColor RGB(int red, int green, int blue) {
    return TColor(red & 0xFF) | (TColor(green & 0xFF) << 8) | (TColor(blue & 0xFF) << 16);
}
constexpr int GetRValue(TColor colour) {
    return int(colour & 0xFF);
}
constexpr int GetGValue(TColor colour) {
    return int((colour >> 8) & 0xFF);
}
constexpr int GetBValue(TColor colour) {
    return int((colour >> 16) & 0xFF);
}
constexpr bool IsSystemColour(TColor colour) {
    return (colour & kSystemColourFlag) != 0;
}

// The system colour with the given index, from the application palette; black for an
// index the desktop does not know.
QColor SystemColour(int index);
// Resolves a colour value: RGB values as they are, system colours from the palette now.
QColor ColourToQColor(TColor colour);
// The RGB colour value of a colour; the alpha channel is dropped.
TColor ColourFromQColor(const QColor& colour);
// Resolves a colour value to its RGB colour value.
TColor ColourToRGB(TColor colour);

// The system colours the program is drawn with: a light face with black text, whatever the
// desktop's theme. Its painted caption, menus, badges and links are made for a light face,
// and every text of it is at least 4.5 times as light or dark as what it is drawn on.
QPalette ProgramPalette();
// Makes ProgramPalette() the application's palette, for every window and message box.
void UseProgramPalette();

} // namespace quenlark
