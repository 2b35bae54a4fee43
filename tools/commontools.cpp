#include "tools/commontools.h"

#include "controls/focusrect.h"
#include "engine/contactrecord.h"
#include "resources/bitmaps.h"
#include "tools/listboxbehaviour.h"

#include <QApplication>
#include <QListView>
#include <QPainter>
#include <QPalette>

namespace quenlark {

void DrawContactItem(QPainter& painter, const QRect& rect, const QString& name, bool selected,
                     const QFont& font) {
    painter.save();
    if (selected) {
        static const QPixmap bar = LoadResourceBitmap(QStringLiteral("IDB_ITEMBG"));
        painter.drawPixmap(rect, bar);
        painter.setPen(QColor(0xFF, 0xFF, 0xFF));
    } else {
        const QPalette palette = QApplication::palette();
        painter.fillRect(rect, palette.color(QPalette::Base));
        painter.setPen(palette.color(QPalette::ButtonText));
    }
    painter.setFont(font);
    const QRect textRect = rect.adjusted(5, 2, 0, 0);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, name);
    painter.restore();
}

QString CountryName(int index) {
    if (index < 0 || index >= kCountryCount)
        return {};
    return QString::fromLatin1(kCountries[std::size_t(index)]);
}

void ContactItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    DrawContactItem(*painter, option.rect, index.data(Qt::DisplayRole).toString(),
                    option.state.testFlag(QStyle::State_Selected), option.font);
    // The current item of a list with the focus.
    if (option.state.testFlag(QStyle::State_HasFocus))
        DrawFocusRect(*painter, option.rect);
}

QSize ContactItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width(), kContactItemHeight);
}

void SetUpContactList(QListView* list) {
    list->setItemDelegate(new ContactItemDelegate(list));
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setDragEnabled(false);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    new ListBoxBehaviour(list);
}

} // namespace quenlark
