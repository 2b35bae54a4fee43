#include "forms/dialogstyle.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace quenlark {

QFont Tahoma8() {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11); // 8 point at 96 pixels per inch
    return font;
}

QFont TitlePanelFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(13); // 10 point
    font.setBold(true);
    return font;
}

void CentreOnScreen(QWidget* window) {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

} // namespace quenlark
