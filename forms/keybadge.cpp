#include "forms/keybadge.h"

#include <QAccessibleWidget>
#include <QPainter>

namespace quenlark {

namespace {

constexpr QRgb kBadgeFill = 0x36618B;
constexpr QRgb kBadgeFrame = 0x9F9F00;

// A badge only repeats, for the eye, a key that the control beside it already has: screen
// readers pass it by as invisible.
class AccessibleBadge : public QAccessibleWidget {
public:
    explicit AccessibleBadge(QWidget* badge) : QAccessibleWidget(badge, QAccessible::StaticText) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        return state;
    }
};

QAccessibleInterface* badgeInterface(const QString&, QObject* object) {
    if (auto* badge = qobject_cast<KeyBadge*>(object))
        return new AccessibleBadge(badge);
    return nullptr;
}

} // namespace

KeyBadge::KeyBadge(QWidget* parent) : QWidget(parent) {
    static const bool accessible = [] {
        QAccessible::installFactory(&badgeInterface);
        return true;
    }();
    Q_UNUSED(accessible);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void KeyBadge::SetTag(int tag) {
    tag_ = tag;
    update();
}

void KeyBadge::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    canvas.setBrush(QColor::fromRgb(kBadgeFill));
    canvas.setPen(QPen(QColor::fromRgb(kBadgeFrame), 1));
    canvas.drawRect(0, 0, width() - 1, height() - 1);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(9); // 7 point
    canvas.setFont(font);
    canvas.setPen(Qt::white);
    canvas.drawText(QRect(2, 1, width() - 2, height() - 1),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                    QStringLiteral("F%1").arg(tag_));
}

} // namespace quenlark
