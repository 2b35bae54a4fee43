// The main window's Sort menu: ascending and descending order by name, ties, the empty
// list, the selection it clears, and the file it leaves alone.
#include "forms/mainform.h"
#include "forms/popupmenus.h"
#include "guitest.h"

#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QtTest>
#include <algorithm>

using namespace quenlark;
using namespace quenlark::test;

namespace {

QList<ContactRecord> contacts(const QList<QByteArray>& names) {
    QList<ContactRecord> records;
    for (const QByteArray& name : names)
        records << NamedContact(name, name + "@x");
    return records;
}

template <class List> List reversed(List list) {
    std::reverse(list.begin(), list.end());
    return list;
}

template <class List> List sortedCopy(List list) {
    std::sort(list.begin(), list.end());
    return list;
}

} // namespace

class TstSort : public GuiTest {
    Q_OBJECT
private slots:
    void emptyListCannotBeSorted();
    void ordersByNameWithoutRegardToCase_data();
    void ordersByNameWithoutRegardToCase();
    void equalNamesKeepAFixedOrderAndReverseExactly();
    void clearsTheSelectionAndLeavesTheFileAlone();
    void menuItemsAndTagsChooseTheDirection();

private:
    std::unique_ptr<Tmainform> window(const QList<QByteArray>& names) {
        return GuiTest::window(contacts(names));
    }
};

void TstSort::emptyListCannotBeSorted() {
    auto w = window({});
    QVERIFY(w);
    for (const char* item : {"ascendingItem", "descendingItem"}) {
        seam_->clear();
        Action(*w, item)->trigger();
        QCOMPARE(seam_->messages.size(), 1);
        const RecordedMessage& m = seam_->messages.first();
        QCOMPARE(m.title, QStringLiteral("Cannot sort!"));
        QCOMPARE(m.text,
                 QStringLiteral("No sorting will occur because your address book is empty!"));
        QCOMPARE(m.icon, MsgIcon::Error);
        QCOMPARE(m.owner.data(), w.get());
        QVERIFY(ListedNames(*w).isEmpty());
    }
}

void TstSort::ordersByNameWithoutRegardToCase_data() {
    QTest::addColumn<QList<QByteArray>>("names");
    QTest::addColumn<QStringList>("ascending");
    QTest::newRow("small before capital")
        << QList<QByteArray>{"Bob", "alice"} << QStringList{"alice", "Bob"};
    QTest::newRow("capital before small")
        << QList<QByteArray>{"bob", "Alice"} << QStringList{"Alice", "bob"};
    QTest::newRow("accented letters beside their plain ones")
        << QList<QByteArray>{"Zoe", "\xC9mile", "Eva", "Fred"}
        << QStringList{"\u00c9mile", "Eva", "Fred", "Zoe"};
    QTest::newRow("one contact") << QList<QByteArray>{"Solo"} << QStringList{"Solo"};
    QTest::newRow("a bar inside a name")
        << QList<QByteArray>{"b|a", "a|b", "c"} << QStringList{"a|b", "b|a", "c"};
}

void TstSort::ordersByNameWithoutRegardToCase() {
    QFETCH(QList<QByteArray>, names);
    QFETCH(QStringList, ascending);
    auto w = window(names);
    QVERIFY(w);
    const QList<quint64> fileOrder = ListedContacts(*w);
    w->sortContacts(Qt::AscendingOrder);
    QCOMPARE(ListedNames(*w), ascending);
    // The same contacts, each once: nothing lost, nothing stale.
    QCOMPARE(sortedCopy(ListedContacts(*w)), sortedCopy(fileOrder));
    w->sortContacts(Qt::DescendingOrder);
    QCOMPARE(ListedNames(*w), reversed(ascending));
    QVERIFY(seam_->messages.isEmpty());
}

void TstSort::equalNamesKeepAFixedOrderAndReverseExactly() {
    auto w = window({"bob", "ALICE", "alice", "Carol", "Alice", "alice"});
    QVERIFY(w);
    Action(*w, "ascendingItem")->trigger();
    const QList<quint64> ascending = ListedContacts(*w);
    QCOMPARE(ListedNames(*w).mid(4), (QStringList{"bob", "Carol"}));
    // The four names alike stand together, ordered by their handles' texts.
    for (const QString& name : ListedNames(*w).mid(0, 4))
        QCOMPARE(name.toLower(), QStringLiteral("alice"));
    QStringList handles;
    for (const quint64 c : ascending.mid(0, 4))
        handles << QString::number(c);
    QCOMPARE(handles, sortedCopy(handles));

    // Sorting again gives the same order; descending is its exact reverse, ties included.
    Action(*w, "descendingItem")->trigger();
    QCOMPARE(ListedContacts(*w), reversed(ascending));
    Action(*w, "ascendingItem")->trigger();
    QCOMPARE(ListedContacts(*w), ascending);
}

void TstSort::clearsTheSelectionAndLeavesTheFileAlone() {
    auto w = window({"Mia", "Al", "Zed"});
    QVERIFY(w);
    auto* list = Child<QListView>(*w, "contacts");
    const QByteArray before = env_->databaseBytes();
    const auto indexNames = [this] {
        QStringList names;
        for (const ContactIndexEntry& e : env_->engine().index())
            names << QString::fromStdString(e.name);
        return names;
    };
    for (const char* item : {"ascendingItem", "descendingItem"}) {
        ClickRow(*w, 1);
        QVERIFY(w->selectedContact());
        QVERIFY(!Child<QLineEdit>(*w, "nameEdit")->text().isEmpty());
        Child<QLineEdit>(*w, "cityEdit")->setText(QStringLiteral("typed, not saved"));
        Action(*w, item)->trigger();
        QVERIFY(list->selectionModel()->selectedIndexes().isEmpty());
        QVERIFY(!list->currentIndex().isValid());
        QVERIFY(!w->selectedContact());
        for (const char* box : {"nameEdit", "emailEdit", "cityEdit"})
            QVERIFY2(Child<QLineEdit>(*w, box)->text().isEmpty(), box);
        QVERIFY(Child(*w, "sendMailPanel")->isHidden());
        QCOMPARE(w->focusWidget(), Child(*w, "nameEdit"));
        QVERIFY(list->updatesEnabled());
    }
    QCOMPARE(env_->databaseBytes(), before);
    QCOMPARE(indexNames(), (QStringList{"Mia", "Al", "Zed"})); // the index keeps file order
    QCOMPARE(ListedNames(*w), (QStringList{"Zed", "Mia", "Al"}));
}

void TstSort::menuItemsAndTagsChooseTheDirection() {
    auto w = window({"b", "c", "a"});
    QVERIFY(w);
    QCOMPARE(MenuItemTag(Action(*w, "ascendingItem")), 1);
    QCOMPARE(MenuItemTag(Action(*w, "descendingItem")), 2);
    Action(*w, "descendingItem")->trigger();
    QCOMPARE(ListedNames(*w), (QStringList{"c", "b", "a"}));
    Action(*w, "ascendingItem")->trigger();
    QCOMPARE(ListedNames(*w), (QStringList{"a", "b", "c"}));
}

QTEST_MAIN(TstSort)
#include "tst_sort.moc"
