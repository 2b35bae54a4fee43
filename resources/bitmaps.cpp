#include "resources/bitmaps.h"

#include <QBitmap>
#include <QImage>

namespace quenlark {

QPixmap LoadResourceBitmap(const QString& name) {
    return QPixmap(QStringLiteral(":/bitmaps/%1.png").arg(name));
}

QPixmap LoadTransparentBitmap(const QString& name, QRgb transparent) {
    QImage image(QStringLiteral(":/bitmaps/%1.png").arg(name));
    if (image.isNull())
        return {};
    image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent | 0xFF000000u;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] | 0xFF000000u) == key)
                line[x] = 0;
    }
    return QPixmap::fromImage(image);
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/quenlark-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace quenlark
