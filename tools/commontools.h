// Drawing of contact list items and country names, shared by every list of contacts.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QStyledItemDelegate>

class QListView;
class QPainter;

namespace quenlark {

// Height of an item in every list of contacts.
inline constexpr int kContactItemHeight = 20;

// Draws one item of a list of contacts: the contact's name, white on the IDB_ITEMBG bar
// when selected, else button text on the window colour, 5 pixels in and 2 down.
void DrawContactItem(QPainter& painter, const QRect& rect, const QString& name, bool selected,
                     const QFont& font);

// The country list entry at `index`; empty outside the list (-1 included).
QString CountryName(int index);

// Item delegate of the lists of contacts: fixed 20-pixel items whose text (the contact's
// name) is drawn by DrawContactItem, with the focus rectangle on the current item while the
// list has the focus. Items are never edited.
class ContactItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Sets up a list view for contacts: the delegate above, one selected item at most, no
// editing, dragging or horizontal scroll bar, and the keys and mouse of the desktop's
// standard list box (ListBoxBehaviour).
void SetUpContactList(QListView* list);

} // namespace quenlark
