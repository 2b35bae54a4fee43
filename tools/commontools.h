// Drawing of contact list items and country names, shared by every list of contacts.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QStyledItemDelegate>

class QPainter;

namespace quenlark {

// Height of an item in every list of contacts.
inline constexpr int kContactItemHeight = 20;

// Draws one item whose text is a contact handle: the contact's name, white on the
// IDB_ITEMBG bar when selected, else button text on the window colour. A handle that
// names no contact draws an empty item.
void DrawContactItem(QPainter& painter, const QRect& rect, const QString& handle, bool selected,
                     const QFont& font);

// The country list entry at `index`; empty outside the list (-1 included).
QString CountryName(int index);

// Item delegate of the lists of contacts: fixed 20-pixel items drawn by DrawContactItem.
class ContactItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace quenlark
