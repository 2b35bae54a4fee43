#include "forms/dialogstyle.h"

#include "controls/accessiblecontrols.h"

#include <QGuiApplication>
#include <QLabel>
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

void NameControlsByTheirLabels(QWidget* window) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (QWidget* control = label->buddy()) {
            if (!control->accessibleName().isEmpty())
                continue;
            QString name = CaptionWithoutAccelerator(label->text()).trimmed();
            if (name.endsWith(QLatin1Char(':')))
                name = name.chopped(1).trimmed();
            control->setAccessibleName(name);
        } else if (label->text().isEmpty() && !label->toolTip().isEmpty() &&
                   label->accessibleName().isEmpty()) {
            label->setAccessibleName(label->toolTip());
        }
    }
}

} // namespace quenlark
