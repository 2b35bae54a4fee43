#include "resources/bitmaps.h"

namespace quenlark {

QPixmap LoadResourceBitmap(const QString& name) {
    return QPixmap(QStringLiteral(":/bitmaps/%1.png").arg(name));
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/quenlark-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace quenlark
