#include "tools/contactlistview.h"

#include <QAccessible>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>

namespace quenlark {

ContactListView::ContactListView(QWidget* parent) : QListView(parent) {
    setUniformItemSizes(true);
}

int ContactListView::rows() const {
    return model() ? model()->rowCount(rootIndex()) : 0;
}

QModelIndex ContactListView::indexOfRow(int row) const {
    return model() && row >= 0 && row < rows() ? model()->index(row, modelColumn(), rootIndex())
                                               : QModelIndex();
}

int ContactListView::rowHeight() const {
    if (rowHeight_ > 0)
        return rowHeight_;
    rowHeight_ = 1;
    const QModelIndex first = indexOfRow(0);
    if (QAbstractItemDelegate* delegate = first.isValid() ? itemDelegateForIndex(first) : nullptr) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = QRect(0, 0, viewport()->width(), 0);
        rowHeight_ = std::max(1, delegate->sizeHint(option, first).height());
    }
    return rowHeight_;
}

int ContactListView::rowsInView() const {
    return std::max(1, viewport()->height() / rowHeight());
}

int ContactListView::verticalOffset() const {
    const int value = verticalScrollBar()->value();
    return verticalScrollMode() == ScrollPerItem ? value * rowHeight() : value;
}

int ContactListView::horizontalOffset() const {
    return 0;
}

int ContactListView::rowAtY(int y) const {
    const qint64 at = qint64(y) + verticalOffset();
    return at < 0 ? -1 : int(std::min<qint64>(at / rowHeight(), INT_MAX));
}

QRect ContactListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex())
        return {};
    const qint64 top = qint64(index.row()) * rowHeight() - verticalOffset();
    if (top < INT_MIN / 2 || top > INT_MAX / 2)
        return {};
    return QRect(0, int(top), viewport()->width(), rowHeight());
}

QModelIndex ContactListView::indexAt(const QPoint& point) const {
    if (point.x() < 0 || point.x() >= viewport()->width())
        return {};
    return indexOfRow(rowAtY(point.y()));
}

bool ContactListView::isIndexHidden(const QModelIndex&) const {
    return false;
}

void ContactListView::scrollToRow(int row, int rowsAbove) {
    QScrollBar* bar = verticalScrollBar();
    if (verticalScrollMode() == ScrollPerItem)
        bar->setValue(row - rowsAbove);
    else
        bar->setValue(int(std::min<qint64>(qint64(row - rowsAbove) * rowHeight(), INT_MAX)));
}

void ContactListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.model() != model())
        return;
    const int row = index.row();
    const int shown = rowsInView();
    const int top = rowAtY(0);
    switch (hint) {
    case PositionAtTop:
        scrollToRow(row, 0);
        break;
    case PositionAtBottom:
        scrollToRow(row, shown - 1);
        break;
    case PositionAtCenter:
        scrollToRow(row, shown / 2);
        break;
    case EnsureVisible:
        if (row < top)
            scrollToRow(row, 0);
        else if (visualRect(index).bottom() >= viewport()->height())
            scrollToRow(row, shown - 1);
        break;
    }
}

void ContactListView::updateGeometries() {
    const int count = rows();
    QScrollBar* bar = verticalScrollBar();
    if (verticalScrollMode() == ScrollPerItem) {
        const int shown = rowsInView();
        bar->setSingleStep(1);
        bar->setPageStep(shown);
        bar->setRange(0, std::max(0, count - shown));
    } else {
        const qint64 height = qint64(count) * rowHeight();
        bar->setSingleStep(rowHeight());
        bar->setPageStep(viewport()->height());
        bar->setRange(0, int(std::clamp<qint64>(height - viewport()->height(), 0, INT_MAX)));
    }
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
}

QSize ContactListView::viewportSizeHint() const {
    return QSize(viewport()->width(),
                 int(std::min<qint64>(qint64(rows()) * rowHeight(), QWIDGETSIZE_MAX)));
}

void ContactListView::doItemsLayout() {
    // Nothing is laid out row by row: the row height is asked again, the scroll bar set.
    rowHeight_ = 0;
    QAbstractItemView::doItemsLayout();
}

void ContactListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                  const QList<int>& roles) {
    // The rows keep their height: only what shows them is drawn again.
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

void ContactListView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    scheduleDelayedItemsLayout();
}

void ContactListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    scheduleDelayedItemsLayout();
}

void ContactListView::resizeEvent(QResizeEvent* event) {
    QAbstractItemView::resizeEvent(event);
}

void ContactListView::scrollContentsBy(int dx, int dy) {
    Q_UNUSED(dx);
    viewport()->scroll(0, verticalScrollMode() == ScrollPerItem ? dy * rowHeight() : dy);
}

QModelIndex ContactListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int count = rows();
    if (count == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return indexOfRow(0);
    const int row = current.row();
    // A page moves the current row by the rows in view less one, as QListView does.
    const int page = std::max(1, rowsInView() - 1);
    int to = row;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        to = row - 1;
        break;
    case MoveDown:
    case MoveNext:
        to = row + 1;
        break;
    case MovePageUp:
        to = row - page;
        break;
    case MovePageDown:
        to = row + page;
        break;
    case MoveHome:
        to = 0;
        break;
    case MoveEnd:
        to = count - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return indexOfRow(std::clamp(to, 0, count - 1));
}

void ContactListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) {
    if (!selectionModel())
        return;
    const QRect area = rect.normalized();
    QItemSelection selection;
    const int first = std::max(0, rowAtY(area.top()));
    const int last = std::min(rows() - 1, rowAtY(area.bottom()));
    if (area.right() >= 0 && area.left() < viewport()->width() && first <= last) {
        // A click selects its own row only, as QListView's does.
        const int from = area.width() == 1 && area.height() == 1 ? last : first;
        const QModelIndex top = indexOfRow(from), bottom = indexOfRow(last);
        if (model()->flags(top) & Qt::ItemIsEnabled)
            selection.select(top, bottom);
    }
    selectionModel()->select(selection, flags);
}

QRegion ContactListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int firstShown = std::max(0, rowAtY(0));
    const int lastShown = rowAtY(viewport()->height() - 1);
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid() || range.parent() != rootIndex())
            continue;
        const int top = std::max(range.top(), firstShown);
        const int bottom = std::min(range.bottom(), lastShown);
        if (top <= bottom)
            region += visualRect(indexOfRow(top)).united(visualRect(indexOfRow(bottom)));
    }
    return region;
}

void ContactListView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QRect area = event->rect();
    const int first = std::max(0, rowAtY(area.top()));
    const int last = std::min(rows() - 1, rowAtY(area.bottom()));
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = indexOfRow(row);
        option.rect = visualRect(index);
        option.state = state;
        if (selectionModel() && selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (!(model()->flags(index) & Qt::ItemIsEnabled))
            option.state &= ~QStyle::State_Enabled;
        if (focus && index == current)
            option.state |= QStyle::State_HasFocus;
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void ContactListView::tellAccessibility(int event, const QModelIndex& index) {
#if QT_CONFIG(accessibility)
    if (!QAccessible::isActive() || !index.isValid())
        return;
    QAccessibleEvent told(this, QAccessible::Event(event));
    told.setChild(index.row());
    QAccessible::updateAccessibility(&told);
#else
    Q_UNUSED(event);
    Q_UNUSED(index);
#endif
}

void ContactListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    tellAccessibility(QAccessible::Focus, current);
    QAbstractItemView::currentChanged(current, previous);
}

void ContactListView::selectionChanged(const QItemSelection& selected,
                                       const QItemSelection& deselected) {
    if (!selected.isEmpty())
        tellAccessibility(QAccessible::SelectionAdd, selected.first().topLeft());
    if (!deselected.isEmpty())
        tellAccessibility(QAccessible::SelectionRemove, deselected.first().topLeft());
    QAbstractItemView::selectionChanged(selected, deselected);
}

} // namespace quenlark
