// The main window's popup menus in the program's own look: every item is measured by
// `measure_menu` and drawn by `draw_menu` (a blue strip down the left side, the caption
// centred and moved right by 20 pixels), through a proxy style set on each menu.
#pragma once

#include <QFont>
#include <QMenu>
#include <QPoint>
#include <QProxyStyle>
#include <QRect>
#include <QSize>
#include <QString>

class QAction;
class QPainter;
class QWidget;

namespace quenlark {

// Height of every menu item that is not a separator; a separator is 1 pixel high.
inline constexpr int kMenuItemHeight = 20;
// Width of the IDB_MENU_LEFT strip plus the undrawn column beside it.
inline constexpr int kMenuStripWidth = 20;

// The font of every menu item: Tahoma 8 point (11 pixels at 96 dpi).
QFont MenuFont();

// Measures an item as the program draws it: the caption's width as stored (an "&" counts as
// a character) plus 40, and 20 pixels high. A separator (or the caption "-") is measured as
// the caption "-" and is 1 pixel high.
QSize measure_menu(const QString& caption, bool separator, const QFont& font);

// Draws one item into `rect`, clipped to it. The IDB_MENU_LEFT strip at the top-left corner;
// from 20 pixels in to the right edge a rectangle outlined in orange (#FF8000) and filled with
// #2E5985 when selected, else filled and outlined in the button-face colour; the column between
// strip and rectangle is left as it was. The caption, with "&" underlining the next letter, is
// centred across the item by its width as stored, moved right by 20 and drawn from 2 pixels
// below the top, white when selected, else in the button-text colour (the disabled
// button-text colour for a disabled item). A separator (or the caption "-") fills the whole
// item, strip included, with the button-shadow colour. Colours are read from the application
// palette on each call.
void draw_menu(QPainter& canvas, const QRect& rect, const QString& caption, bool separator,
               bool selected, const QFont& font, bool enabled = true);

// The style of the owner-drawn menus: items are measured and drawn by the two functions
// above (with the system's arrow added on items that open a submenu); the menu itself gets no
// frame, no margins, no icon or check columns and a button-face background. Only set it on
// menus: everything else is left to the base style.
class QuenlarkMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    QuenlarkMenuStyle();

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

// A popup menu drawn in the program's style, owned by `parent`: Tahoma 8 point, its own
// QuenlarkMenuStyle, no tear-off. It opens at the point it is shown at (see SetMenuCentred)
// and takes accelerators only from its captions as written (see SetAutoHotkeys).
QMenu* NewOwnerDrawnMenu(QWidget* parent);

// Adds an item with this caption; `tag` is stored with QAction::setData and as the property
// "Tag" (read it back with MenuItemTag). The caption "-" adds a separator instead.
QAction* AddMenuItem(QMenu* menu, const QString& caption, int tag = 0);
// Adds a separator (an item with the caption "-").
QAction* AddMenuSeparator(QMenu* menu);
// Adds an item that opens an owner-drawn submenu (made by NewOwnerDrawnMenu with `menu` as
// parent) and returns the submenu. Its accelerators are taken from its captions as written.
QMenu* AddSubMenu(QMenu* menu, const QString& caption, int tag = 0);
// The tag AddMenuItem stored; 0 for none.
int MenuItemTag(const QAction* item);

// Centred menus open with their horizontal middle at the point where they are shown; others
// (the default) open with their left edge there.
void SetMenuCentred(QMenu* menu, bool centred);
bool IsMenuCentred(const QMenu* menu);
// The top-left corner at which `menu` opens when shown at `at` by its own alignment (before
// the platform keeps it on the screen).
QPoint MenuOrigin(QMenu* menu, const QPoint& at);
// Shows `menu` at `at` by its own alignment; ExecMenu waits until it closes and returns the
// chosen item (or nullptr).
void PopupMenu(QMenu* menu, const QPoint& at);
QAction* ExecMenu(QMenu* menu, const QPoint& at);
// Shows `menu` with its horizontal middle at `at`, whatever its alignment.
void PopupCentred(QMenu* menu, const QPoint& at);

// With `automatic` on, every item caption of `menu` that has no "&" gets one before a letter or
// digit that no other item of the menu uses as its accelerator (the first letters of words
// first), now and whenever items are added or renamed; so "Ascending" becomes "&Ascending".
// Captions with an "&", and captions whose letters are all taken, stay as written. Off (the
// default) leaves every caption exactly as written.
void SetAutoHotkeys(QMenu* menu, bool automatic);
bool HasAutoHotkeys(const QMenu* menu);

// The accelerator character of a caption (upper case): the character after its first single
// "&"; a null QChar when it has none ("&&" shows an ampersand and is no accelerator).
QChar CaptionHotkey(const QString& caption);

} // namespace quenlark
