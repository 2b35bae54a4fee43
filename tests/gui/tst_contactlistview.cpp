// The list view of contacts: where its rows lie, which one a point hits, scrolling to a row,
// the keys that move the current row, and that following a change of a long list looks at
// the rows in view only.
#include "tools/commontools.h"
#include "tools/contactlistview.h"

#include <QAbstractListModel>
#include <QScrollBar>
#include <QtTest>

using namespace quenlark;

namespace {

// Rows named by their numbers, counting how often the view asks for one.
class CountingModel : public QAbstractListModel {
public:
    explicit CountingModel(int rows) : rows_(rows) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : rows_;
    }
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override {
        ++asked;
        return QAbstractListModel::index(row, column, parent);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        ++asked;
        return role == Qt::DisplayRole ? QVariant(QString::number(index.row())) : QVariant();
    }
    void append() {
        beginInsertRows({}, rows_, rows_);
        ++rows_;
        endInsertRows();
    }
    void removeFirst() {
        beginRemoveRows({}, 0, 0);
        --rows_;
        endRemoveRows();
    }
    void change(int row) { emit dataChanged(index(row, 0), index(row, 0)); }

    mutable qint64 asked = 0;

private:
    int rows_;
};

} // namespace

class TstContactListView : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void rowsLieOneBelowTheOther();
    void scrollingBringsARowIntoView_data();
    void scrollingBringsARowIntoView();
    void keysMoveTheCurrentRow_data();
    void keysMoveTheCurrentRow();
    void changesOfALongListLookAtTheRowsInViewOnly();

private:
    // A list of `rows` rows, ten of them in view.
    void show(int rows);
    int topRow() const { return view_->indexAt(QPoint(1, 1)).row(); }

    std::unique_ptr<CountingModel> model_;
    std::unique_ptr<ContactListView> view_;
};

void TstContactListView::init() {
    view_ = std::make_unique<ContactListView>();
    SetUpContactList(view_.get());
}

void TstContactListView::cleanup() {
    view_.reset();
    model_.reset();
}

void TstContactListView::show(int rows) {
    model_ = std::make_unique<CountingModel>(rows);
    view_->setModel(model_.get());
    view_->setFrameShape(QFrame::NoFrame);
    view_->resize(200, 10 * kContactItemHeight);
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    QCOMPARE(view_->viewport()->height(), 10 * kContactItemHeight);
}

void TstContactListView::rowsLieOneBelowTheOther() {
    show(3);
    for (int row = 0; row < 3; ++row) {
        const QRect r = view_->visualRect(model_->index(row, 0));
        QCOMPARE(
            r, QRect(0, row * kContactItemHeight, view_->viewport()->width(), kContactItemHeight));
        QCOMPARE(view_->indexAt(r.center()).row(), row);
    }
    // Below the last row, and beside the rows, there is none.
    QVERIFY(!view_->indexAt(QPoint(5, 3 * kContactItemHeight + 1)).isValid());
    QVERIFY(!view_->indexAt(QPoint(-1, 1)).isValid());
    QCOMPARE(view_->verticalScrollBar()->maximum(), 0);
}

void TstContactListView::scrollingBringsARowIntoView_data() {
    QTest::addColumn<int>("startAt");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("hint");
    QTest::addColumn<int>("top");
    using V = QAbstractItemView;
    QTest::newRow("below, to the bottom") << 0 << 500 << int(V::EnsureVisible) << 491;
    QTest::newRow("above, to the top") << 600 << 500 << int(V::EnsureVisible) << 500;
    QTest::newRow("in view, stays") << 495 << 500 << int(V::EnsureVisible) << 495;
    QTest::newRow("at the top") << 0 << 500 << int(V::PositionAtTop) << 500;
    QTest::newRow("at the centre") << 0 << 500 << int(V::PositionAtCenter) << 495;
    QTest::newRow("at the bottom") << 0 << 500 << int(V::PositionAtBottom) << 491;
    QTest::newRow("last, as far as it goes") << 0 << 999 << int(V::PositionAtTop) << 990;
}

void TstContactListView::scrollingBringsARowIntoView() {
    QFETCH(int, startAt);
    QFETCH(int, row);
    QFETCH(int, hint);
    QFETCH(int, top);
    show(1000);
    view_->scrollTo(model_->index(startAt, 0), QAbstractItemView::PositionAtTop);
    view_->scrollTo(model_->index(row, 0), QAbstractItemView::ScrollHint(hint));
    QCOMPARE(topRow(), top);
    QVERIFY(view_->viewport()->rect().contains(view_->visualRect(model_->index(row, 0))));
}

void TstContactListView::keysMoveTheCurrentRow_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to");
    QTest::newRow("down") << 0 << int(Qt::Key_Down) << 1;
    QTest::newRow("up at the first") << 0 << int(Qt::Key_Up) << 0;
    QTest::newRow("page down: the rows in view less one") << 0 << int(Qt::Key_PageDown) << 9;
    QTest::newRow("page up") << 20 << int(Qt::Key_PageUp) << 11;
    QTest::newRow("page down near the end") << 995 << int(Qt::Key_PageDown) << 999;
    QTest::newRow("end") << 3 << int(Qt::Key_End) << 999;
    QTest::newRow("home") << 500 << int(Qt::Key_Home) << 0;
    QTest::newRow("right stays") << 7 << int(Qt::Key_Right) << 7;
}

void TstContactListView::keysMoveTheCurrentRow() {
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);
    show(1000);
    view_->setCurrentIndex(model_->index(from, 0));
    QTest::keyClick(view_.get(), Qt::Key(key));
    QCOMPARE(view_->currentIndex().row(), to);
    QVERIFY(view_->selectionModel()->isSelected(model_->index(to, 0)));
    QVERIFY(view_->viewport()->rect().contains(view_->visualRect(model_->index(to, 0))));
}

void TstContactListView::changesOfALongListLookAtTheRowsInViewOnly() {
    show(1000000);
    QCoreApplication::processEvents();
    const auto followed = [this](const std::function<void()>& change) {
        model_->asked = 0;
        change();
        QCoreApplication::processEvents();
        return model_->asked;
    };
    // A row added, one changed in view and out of it, one taken away, the current row set:
    // each asks for a few rows, never for every row of the list.
    QVERIFY(followed([this] { model_->append(); }) < 200);
    QVERIFY(followed([this] { model_->change(5); }) < 200);
    QVERIFY(followed([this] { model_->change(900000); }) < 200);
    QVERIFY(followed([this] { model_->removeFirst(); }) < 200);
    QVERIFY(followed([this] { view_->setCurrentIndex(model_->index(999998, 0)); }) < 200);
    QCOMPARE(topRow(), 999989);
    QCOMPARE(view_->verticalScrollBar()->maximum(), 999990);
}

QTEST_MAIN(TstContactListView)
#include "tst_contactlistview.moc"
