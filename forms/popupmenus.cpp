#include "forms/popupmenus.h"

#include "forms/dialogstyle.h"
#include "resources/bitmaps.h"

#include <QAction>
#include <QActionEvent>
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QPolygon>
#include <QStyleOptionMenuItem>
#include <QVariant>

namespace quenlark {

namespace {

const char* const kTagProperty = "Tag";
const char* const kCentredProperty = "QuenlarkCentred";
const char* const kAutoHotkeysProperty = "QuenlarkAutoHotkeys";
const char* const kAutoHotkeysFilterName = "QuenlarkAutoHotkeysFilter";

const QString kSeparatorCaption = QStringLiteral("-");

bool IsSeparator(const QString& caption, bool separator) {
    return separator || caption == kSeparatorCaption;
}

// The colour of the caption (and of a submenu's arrow).
QColor CaptionColour(bool selected, bool enabled) {
    if (selected)
        return QColor(0xFF, 0xFF, 0xFF);
    const QPalette palette = QApplication::palette();
    return enabled ? palette.color(QPalette::Active, QPalette::ButtonText)
                   : palette.color(QPalette::Disabled, QPalette::ButtonText);
}

QColor ButtonFace() {
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

// The caption as the menu gives it, without the shortcut text Qt appends after a tab.
QString CaptionOf(const QStyleOptionMenuItem& item) {
    const qsizetype tab = item.text.indexOf(QLatin1Char('\t'));
    return tab < 0 ? item.text : item.text.left(tab);
}

bool CanBeHotkey(QChar c) {
    const char16_t u = c.toUpper().unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9');
}

// Gives the captions of `menu` that have no accelerator one that no other item uses.
void RethinkHotkeys(QMenu* menu) {
    const QList<QAction*> items = menu->actions();
    QString used;
    for (const QAction* item : items) {
        const QChar key = CaptionHotkey(item->text());
        if (!item->isSeparator() && !key.isNull())
            used.append(key);
    }
    for (QAction* item : items) {
        const QString caption = item->text();
        if (item->isSeparator() || !CaptionHotkey(caption).isNull())
            continue;
        // First letters of words first, then any letter or digit, in caption order.
        qsizetype chosen = -1;
        for (int pass = 0; pass < 2 && chosen < 0; ++pass)
            for (qsizetype i = 0; i < caption.size() && chosen < 0; ++i) {
                const bool wordStart = i == 0 || !caption.at(i - 1).isLetterOrNumber();
                if ((pass == 1 || wordStart) && CanBeHotkey(caption.at(i)) &&
                    !used.contains(caption.at(i).toUpper()))
                    chosen = i;
            }
        if (chosen < 0)
            continue;
        used.append(caption.at(chosen).toUpper());
        QString marked = caption;
        marked.insert(chosen, QLatin1Char('&'));
        item->setText(marked);
    }
}

// Rethinks a menu's accelerators whenever an item is added or changed.
class AutoHotkeysFilter : public QObject {
public:
    explicit AutoHotkeysFilter(QMenu* menu) : QObject(menu), menu_(menu) {
        setObjectName(QLatin1String(kAutoHotkeysFilterName));
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == menu_ && !busy_ &&
            (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionChanged)) {
            busy_ = true;
            RethinkHotkeys(menu_);
            busy_ = false;
        }
        return false;
    }

private:
    QMenu* menu_;
    bool busy_ = false;
};

} // namespace

QFont MenuFont() {
    return Tahoma8();
}

QSize measure_menu(const QString& caption, bool separator, const QFont& font) {
    const bool line = IsSeparator(caption, separator);
    const int width = QFontMetrics(font).horizontalAdvance(line ? kSeparatorCaption : caption);
    return QSize(width + 40, line ? 1 : kMenuItemHeight);
}

void draw_menu(QPainter& canvas, const QRect& rect, const QString& caption, bool separator,
               bool selected, const QFont& font, bool enabled) {
    if (rect.isEmpty())
        return;
    const QPalette palette = QApplication::palette();
    canvas.save();
    canvas.setClipRect(rect, Qt::IntersectClip);

    if (IsSeparator(caption, separator)) {
        canvas.fillRect(rect, palette.color(QPalette::Active, QPalette::Dark));
        canvas.restore();
        return;
    }

    canvas.drawPixmap(rect.topLeft(), LoadResourceBitmap(QStringLiteral("IDB_MENU_LEFT")));

    const QColor brush = selected ? QColor(0x2E, 0x59, 0x85) : ButtonFace();
    const QColor pen = selected ? QColor(0xFF, 0x80, 0x00) : ButtonFace();
    const QRect box(QPoint(rect.left() + kMenuStripWidth, rect.top()), rect.bottomRight());
    if (box.isValid()) {
        canvas.fillRect(box, pen);
        canvas.fillRect(box.adjusted(1, 1, -1, -1), brush);
    }

    // Centred by the caption's width as stored ("&" included), then moved right by 20.
    const int textWidth = QFontMetrics(font).horizontalAdvance(caption);
    const int x = rect.left() + rect.width() / 2 - textWidth / 2 + 20;
    const QRect textRect(QPoint(x, rect.top() + 2), rect.bottomRight());
    canvas.setFont(font);
    canvas.setPen(CaptionColour(selected, enabled));
    canvas.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic, caption);
    canvas.restore();
}

QuenlarkMenuStyle::QuenlarkMenuStyle() = default;

void QuenlarkMenuStyle::drawControl(ControlElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const {
    if (element == CE_MenuItem) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            const bool separator = item->menuItemType == QStyleOptionMenuItem::Separator;
            const bool selected = item->state.testFlag(State_Selected);
            const bool enabled = item->state.testFlag(State_Enabled);
            draw_menu(*painter, item->rect, CaptionOf(*item), separator, selected, MenuFont(),
                      enabled);
            if (!separator && item->menuItemType == QStyleOptionMenuItem::SubMenu) {
                // The system's arrow on an item that opens a submenu.
                const QRect& r = item->rect;
                const int right = r.right() - 6;
                const int middle = r.top() + r.height() / 2;
                const QPolygon arrow({QPoint(right - 3, middle - 3), QPoint(right, middle),
                                      QPoint(right - 3, middle + 3)});
                painter->save();
                painter->setRenderHint(QPainter::Antialiasing, false);
                painter->setPen(Qt::NoPen);
                painter->setBrush(CaptionColour(selected, enabled));
                painter->drawPolygon(arrow);
                painter->restore();
            }
            return;
        }
    }
    if (element == CE_MenuEmptyArea) {
        painter->fillRect(option->rect, ButtonFace());
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void QuenlarkMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                      QPainter* painter, const QWidget* widget) const {
    if (element == PE_PanelMenu) {
        painter->fillRect(option->rect, ButtonFace());
        return;
    }
    if (element == PE_FrameMenu)
        return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

QSize QuenlarkMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                          const QSize& size, const QWidget* widget) const {
    if (type == CT_MenuItem) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option))
            return measure_menu(CaptionOf(*item),
                                item->menuItemType == QStyleOptionMenuItem::Separator, MenuFont());
    }
    if (type == CT_Menu)
        return size;
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

int QuenlarkMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                   const QWidget* widget) const {
    switch (metric) {
    case PM_MenuPanelWidth:
    case PM_MenuHMargin:
    case PM_MenuVMargin:
        return 0;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

int QuenlarkMenuStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                 QStyleHintReturn* returnData) const {
    switch (hint) {
    case SH_Menu_KeyboardSearch: // letters choose items by their "&" accelerators
    case SH_Menu_Mask:           // square corners
    case SH_Menu_AllowActiveAndDisabled:
        return 0;
    default:
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

QMenu* NewOwnerDrawnMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    auto* style = new QuenlarkMenuStyle;
    style->setParent(menu);
    menu->setStyle(style);
    menu->setFont(MenuFont());
    menu->setTearOffEnabled(false);
    menu->setSeparatorsCollapsible(false);
    return menu;
}

QAction* AddMenuItem(QMenu* menu, const QString& caption, int tag) {
    if (caption == kSeparatorCaption)
        return AddMenuSeparator(menu);
    auto* item = new QAction(caption, menu);
    item->setData(tag);
    item->setProperty(kTagProperty, tag);
    menu->addAction(item);
    return item;
}

QAction* AddMenuSeparator(QMenu* menu) {
    auto* item = new QAction(kSeparatorCaption, menu);
    item->setSeparator(true);
    item->setData(0);
    item->setProperty(kTagProperty, 0);
    menu->addAction(item);
    return item;
}

QMenu* AddSubMenu(QMenu* menu, const QString& caption, int tag) {
    QMenu* sub = NewOwnerDrawnMenu(menu);
    sub->setTitle(caption);
    QAction* item = sub->menuAction();
    item->setData(tag);
    item->setProperty(kTagProperty, tag);
    menu->addMenu(sub);
    return sub;
}

int MenuItemTag(const QAction* item) {
    return item ? item->property(kTagProperty).toInt() : 0;
}

void SetMenuCentred(QMenu* menu, bool centred) {
    menu->setProperty(kCentredProperty, centred);
}

bool IsMenuCentred(const QMenu* menu) {
    return menu->property(kCentredProperty).toBool();
}

QPoint MenuOrigin(QMenu* menu, const QPoint& at) {
    if (!IsMenuCentred(menu))
        return at;
    return QPoint(at.x() - menu->sizeHint().width() / 2, at.y());
}

void PopupMenu(QMenu* menu, const QPoint& at) {
    menu->popup(MenuOrigin(menu, at));
}

QAction* ExecMenu(QMenu* menu, const QPoint& at) {
    return menu->exec(MenuOrigin(menu, at));
}

void PopupCentred(QMenu* menu, const QPoint& at) {
    menu->popup(QPoint(at.x() - menu->sizeHint().width() / 2, at.y()));
}

void SetAutoHotkeys(QMenu* menu, bool automatic) {
    menu->setProperty(kAutoHotkeysProperty, automatic);
    auto* filter = menu->findChild<QObject*>(QLatin1String(kAutoHotkeysFilterName),
                                             Qt::FindDirectChildrenOnly);
    if (automatic && !filter) {
        filter = new AutoHotkeysFilter(menu);
        menu->installEventFilter(filter);
        RethinkHotkeys(menu);
    } else if (!automatic && filter) {
        delete filter;
    }
}

bool HasAutoHotkeys(const QMenu* menu) {
    return menu->property(kAutoHotkeysProperty).toBool();
}

QChar CaptionHotkey(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) != QLatin1Char('&'))
            continue;
        if (caption.at(i + 1) == QLatin1Char('&')) {
            ++i; // "&&" is a literal ampersand
            continue;
        }
        return caption.at(i + 1).toUpper();
    }
    return {};
}

} // namespace quenlark
