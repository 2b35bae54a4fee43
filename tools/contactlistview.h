// A list view for lists of contacts of any length. Its rows are one column of one height
// (the delegate's for the first row), so where a row lies is a multiplication rather than
// the row-by-row layout QListView keeps: a changed row, a row added or taken away, or a new
// order of the whole list costs the same at ten contacts and at a million, and only the rows
// in view are ever looked at. Everything else is QListView's: its class for the layouts and
// the code that finds it, the keys and the mouse, the selection, the accessibility.
//
// Grid sizes, spacing, wrapping, icon mode and hidden rows are not supported.
#pragma once

#include <QListView>

namespace quenlark {

class ContactListView : public QListView {
    Q_OBJECT
public:
    explicit ContactListView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = {}) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void updateGeometries() override;
    QSize viewportSizeHint() const override;

private:
    int rows() const;
    int rowHeight() const;
    // Rows wholly in view, at least one.
    int rowsInView() const;
    // The row at a height of the viewport, or -1 above the first; may be past the last.
    int rowAtY(int y) const;
    QModelIndex indexOfRow(int row) const;
    // Scrolls so that the row's top is `rowsAbove` rows below the top of the viewport.
    void scrollToRow(int row, int rowsAbove);
    // Tells an accessibility client about the row, as QListView does for its items.
    void tellAccessibility(int event, const QModelIndex& index);

    mutable int rowHeight_ = 0; // 0 until asked, and after each layout
};

} // namespace quenlark
