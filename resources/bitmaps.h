// Bitmaps and icons of the program, loaded by their resource names ("IDB_ITEMBG"). The
// pictures that have see-through parts carry them in their own alpha channel.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace quenlark {

// The bitmap as drawn, or a null pixmap for an unknown name.
QPixmap LoadResourceBitmap(const QString& name);
QIcon ApplicationIcon();

} // namespace quenlark
