// Bitmaps and icons of the program, loaded by their resource names ("IDB_ITEMBG").
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace quenlark {

// The bitmap as drawn, or a null pixmap for an unknown name.
QPixmap LoadResourceBitmap(const QString& name);
// The bitmap with every pixel of `transparent` made see-through.
QPixmap LoadTransparentBitmap(const QString& name, QRgb transparent);
QIcon ApplicationIcon();

} // namespace quenlark
