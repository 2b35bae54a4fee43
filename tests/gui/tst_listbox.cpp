// The lists of contacts as the desktop's standard list box: the first arrow, Home, End or
// page key selects, the current item shows its focus rectangle, a click below the items or a
// right click leaves the selection alone. The main list and the search results alike.
#include "forms/mainform.h"
#include "forms/searchresults.h"
#include "guitest.h"
#include "modaldriver.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QtTest>

using namespace quenlark;
using namespace quenlark::test;

namespace {

// The selected row of a list, or -1.
int selectedRow(const QListView& list) {
    const QModelIndexList rows = list.selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

// A right click on a row as the desktop delivers it: the press, then the menu request.
void rightClickRow(QListView& list, int row) {
    const QPoint at = list.visualRect(list.model()->index(row, 0)).center();
    QTest::mousePress(list.viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &menu);
    QTest::mouseRelease(list.viewport(), Qt::RightButton, {}, at);
}

} // namespace

class TstListBox : public GuiTest {
    Q_OBJECT
private slots:
    void cleanup() override;
    void firstKeySelectsFirstOrLast_data();
    void firstKeySelectsFirstOrLast();
    void escapeAfterTheFirstKeyClearsTheSelection();
    void currentItemShowsItsFocusRectangle();
    void clickBelowTheItemsChangesNothing();
    void rightClickKeepsTheSelectionForTheMenu();
    void searchResultsSelectWithTheFirstKey();

private:
    Tmainform& open(int contacts);
    QListView& list() { return *Child<QListView>(*window_, "contacts"); }

    std::unique_ptr<Tmainform> window_;
};

Tmainform& TstListBox::open(int contacts) {
    QList<ContactRecord> records;
    for (int i = 0; i < contacts; ++i)
        records << NamedContact("Person " + QByteArray::number(i), "p@example.com");
    window_ = window(records);
    if (!window_ || !QTest::qWaitForWindowActive(window_.get()))
        qFatal("the main window did not become active");
    return *window_;
}

void TstListBox::cleanup() {
    window_.reset();
    GuiTest::cleanup();
}

void TstListBox::firstKeySelectsFirstOrLast_data() {
    QTest::addColumn<int>("contacts");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("selected");
    for (const auto& [key, name, last] :
         {std::tuple{Qt::Key_Down, "Down", false}, std::tuple{Qt::Key_Up, "Up", false},
          std::tuple{Qt::Key_Home, "Home", false}, std::tuple{Qt::Key_PageUp, "PgUp", false},
          std::tuple{Qt::Key_End, "End", true}, std::tuple{Qt::Key_PageDown, "PgDn", true}}) {
        QTest::addRow("%s of three", name) << 3 << int(key) << (last ? 2 : 0);
        QTest::addRow("%s of one", name) << 1 << int(key) << 0;
    }
}

void TstListBox::firstKeySelectsFirstOrLast() {
    QFETCH(int, contacts);
    QFETCH(int, key);
    QFETCH(int, selected);
    open(contacts);
    QTest::keyClick(Child(*window_, "nameEdit"), Qt::Key_F1);
    QVERIFY(list().hasFocus());
    QCOMPARE(selectedRow(list()), -1);
    QTest::keyClick(&list(), Qt::Key(key));
    QCOMPARE(selectedRow(list()), selected);
    QVERIFY(window_->selectedContact()); // shown in the panel
    QCOMPARE(Child<QLineEdit>(*window_, "nameEdit")->text(),
             QStringLiteral("Person %1").arg(selected));
    // From then on the keys move as usual.
    if (contacts > 1 && key == Qt::Key_Down) {
        QTest::keyClick(&list(), Qt::Key_Down);
        QCOMPARE(selectedRow(list()), 1);
    }
}

void TstListBox::escapeAfterTheFirstKeyClearsTheSelection() {
    open(1);
    QTest::keyClick(Child(*window_, "nameEdit"), Qt::Key_F1);
    QTest::keyClick(&list(), Qt::Key_Down);
    QTest::keyClick(&list(), Qt::Key_Escape);
    QVERIFY(window_->isVisible());
    QVERIFY(!window_->selectedContact());
}

void TstListBox::currentItemShowsItsFocusRectangle() {
    open(2);
    const QRect item = list().visualRect(list().model()->index(0, 0));
    const QImage unfocused = list().viewport()->grab(item).toImage();
    QTest::keyClick(Child(*window_, "nameEdit"), Qt::Key_F1);
    QCOMPARE(list().currentIndex().row(), 0);
    QCOMPARE(selectedRow(list()), -1); // current, not selected
    const QImage focused = list().viewport()->grab(item).toImage();
    // The dotted outline: the corner pixel is inverted, its neighbour along the edge is not.
    QCOMPARE(focused.pixel(0, 0), unfocused.pixel(0, 0) ^ 0x00FFFFFFu);
    QCOMPARE(focused.pixel(1, 0), unfocused.pixel(1, 0));
    QCOMPARE(focused.pixel(item.width() / 2, item.height() / 2),
             unfocused.pixel(item.width() / 2, item.height() / 2));

    QTest::keyClick(&list(), Qt::Key_F5); // the focus leaves: the outline goes
    QCOMPARE(list().viewport()->grab(item).toImage(), unfocused);
}

void TstListBox::clickBelowTheItemsChangesNothing() {
    open(2);
    ClickRow(*window_, 1);
    auto* name = Child<QLineEdit>(*window_, "nameEdit");
    Retype(name, QStringLiteral("Edited"));
    const QPoint below(20, list().viewport()->height() - 5);
    QVERIFY(!list().indexAt(below).isValid());
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, below);
    QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(selectedRow(list()), 1);
    QCOMPARE(name->text(), QStringLiteral("Edited"));
    QVERIFY(list().hasFocus());

    // Nor does a drag from an item to below the items.
    const QPoint first = list().visualRect(list().model()->index(0, 0)).center();
    QTest::mousePress(list().viewport(), Qt::LeftButton, {}, first);
    QMouseEvent move(QEvent::MouseMove, QPointF(below), list().viewport()->mapToGlobal(below),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list().viewport(), &move);
    QTest::mouseRelease(list().viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(selectedRow(list()), 0);
}

void TstListBox::rightClickKeepsTheSelectionForTheMenu() {
    open(3);
    ClickRow(*window_, 0);
    QMenu* shown = nullptr;
    QTimer::singleShot(0, [&] {
        shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QCOMPARE(selectedRow(list()), 0); // the menu opens on the selection as it was
        if (shown)
            shown->close();
    });
    rightClickRow(list(), 2);
    QTRY_VERIFY(shown);
    QCOMPARE(shown, Menu(*window_, "contactListMenu"));
    QCOMPARE(selectedRow(list()), 0);
    QCOMPARE(Child<QLineEdit>(*window_, "nameEdit")->text(), QStringLiteral("Person 0"));

    // Its Delete acts on the contact that was selected, not on the one clicked.
    seam_->answer(MsgResult::Yes);
    Action(*window_, "deleteContactItem")->trigger();
    QCOMPARE(ListedNames(*window_), QStringList({"Person 1", "Person 2"}));
}

void TstListBox::searchResultsSelectWithTheFirstKey() {
    open(3);
    Retype(Child<QLineEdit>(*window_, "searchEdit"), QStringLiteral("Person"));
    for (const auto& [key, row] : {std::pair{Qt::Key_End, 2}, std::pair{Qt::Key_Down, 0}}) {
        bool displayed = false;
        const ModalRun run = RunModal<Tsearchresults>(
            [&] { QTest::keyClick(Child(*window_, "searchEdit"), Qt::Key_Return); },
            [&](Tsearchresults& dialog) {
                auto* results = Child<QListView>(dialog, "resultList");
                QVERIFY(results->hasFocus());
                QCOMPARE(results->currentIndex().row(), 0);
                QCOMPARE(selectedRow(*results), -1);
                QTest::keyClick(results, key);
                QCOMPARE(selectedRow(*results), row);
                // Enter at once displays it, without asking to select one.
                QTest::keyClick(results, Qt::Key_Return);
                displayed = !dialog.isVisible();
            });
        QVERIFY(run.driven);
        QVERIFY(displayed);
        QVERIFY(seam_->messages.isEmpty());
        QCOMPARE(Child<QLineEdit>(*window_, "nameEdit")->text(),
                 QStringLiteral("Person %1").arg(row));
    }
}

QTEST_MAIN(TstListBox)
#include "tst_listbox.moc"
