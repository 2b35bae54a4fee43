// The main window's Sort menu: ascending and descending order by name, ties, the empty
// list, the selection it clears, and the file it leaves alone.
#include "engine/contactrecord.h"
#include "forms/mainform.h"
#include "forms/popupmenus.h"
#include "mainwindowdriver.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QStringListModel>
#include <QtTest>
#include <algorithm>

using namespace quenlark;
using namespace quenlark::test;

namespace {

QByteArray databaseWith(const QList<QByteArray>& names) {
    QList<ContactRecord> records;
    for (const QByteArray& name : names) {
        ContactRecord& r = records.emplace_back();
        ClearContactRecord(r);
        r.setText(Field::Name, name.toStdString());
        r.setText(Field::Email, (name + "@x").toStdString());
    }
    return DatabaseWith(records);
}

QString nameOf(const QString& handle) {
    const ContactIndexEntry* e = Engine().EntryFromHandle(handle.toStdString());
    return e ? QString::fromLatin1(e->name.c_str()) : QStringLiteral("<stale>");
}

QStringList reversed(QStringList list) {
    std::reverse(list.begin(), list.end());
    return list;
}

QStringList sortedCopy(QStringList list) {
    list.sort();
    return list;
}

} // namespace

class TstSort : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void emptyListCannotBeSorted();
    void ordersByNameWithoutRegardToCase_data();
    void ordersByNameWithoutRegardToCase();
    void equalNamesKeepAFixedOrderAndReverseExactly();
    void clearsTheSelectionAndLeavesTheFileAlone();
    void menuItemsAndTagsChooseTheDirection();

private:
    std::unique_ptr<Tmainform> window(const QList<QByteArray>& names);

    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> seam_;
};

void TstSort::init() {
    env_ = std::make_unique<TestEnv>();
    seam_ = std::make_unique<ScriptedUiSeam>();
}

void TstSort::cleanup() {
    QVERIFY(seam_->drained());
    seam_.reset();
    env_.reset();
}

std::unique_ptr<Tmainform> TstSort::window(const QList<QByteArray>& names) {
    return OpenMainWindow(*env_, databaseWith(names));
}

void TstSort::emptyListCannotBeSorted() {
    auto w = window({});
    QVERIFY(w);
    for (QAction* item : {w->Ascending1, w->Descending1}) {
        seam_->clear();
        item->trigger();
        QCOMPARE(seam_->messages.size(), 1);
        const RecordedMessage& m = seam_->messages.first();
        QCOMPARE(m.title, QStringLiteral("Cannot sort!"));
        QCOMPARE(m.text,
                 QStringLiteral("No sorting will occur because your address book is empty!"));
        QCOMPARE(m.icon, MsgIcon::Error);
        QCOMPARE(m.owner.data(), w.get());
        QCOMPARE(w->contactsModel()->rowCount(), 0);
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
    const QStringList fileOrder = w->contactsModel()->stringList();
    w->SortItemClick(w->Ascending1);
    QCOMPARE(ListedNames(*w), ascending);
    // The same handles, each once: nothing lost, nothing stale.
    QCOMPARE(sortedCopy(w->contactsModel()->stringList()), sortedCopy(fileOrder));
    w->SortItemClick(w->Descending1);
    QCOMPARE(ListedNames(*w), reversed(ascending));
    QVERIFY(seam_->messages.isEmpty());
}

void TstSort::equalNamesKeepAFixedOrderAndReverseExactly() {
    auto w = window({"bob", "ALICE", "alice", "Carol", "Alice", "alice"});
    QVERIFY(w);
    w->Ascending1->trigger();
    const QStringList ascending = w->contactsModel()->stringList();
    QCOMPARE(ListedNames(*w).mid(4), (QStringList{"bob", "Carol"}));
    // The four names alike stand together, ordered by their handles' texts.
    const QStringList alike = ascending.mid(0, 4);
    for (const QString& h : alike)
        QCOMPARE(nameOf(h).toLower(), QStringLiteral("alice"));
    QCOMPARE(alike, sortedCopy(alike));

    // Sorting again gives the same order; descending is its exact reverse, ties included.
    w->Descending1->trigger();
    QCOMPARE(w->contactsModel()->stringList(), reversed(ascending));
    w->Ascending1->trigger();
    QCOMPARE(w->contactsModel()->stringList(), ascending);
}

void TstSort::clearsTheSelectionAndLeavesTheFileAlone() {
    auto w = window({"Mia", "Al", "Zed"});
    QVERIFY(w);
    const auto& ui = *w->ui();
    const QByteArray before = env_->databaseBytes();
    const auto indexNames = [] {
        QStringList names;
        for (const ContactIndexEntry& e : Engine().index())
            names << QString::fromStdString(e.name);
        return names;
    };
    for (QAction* item : {w->Ascending1, w->Descending1}) {
        ui.contacts->selectionModel()->setCurrentIndex(w->contactsModel()->index(1, 0),
                                                       QItemSelectionModel::ClearAndSelect);
        QVERIFY(w->SelectedContact());
        QVERIFY(!ui.e_name->text().isEmpty());
        ui.e_city->setText(QStringLiteral("typed, not saved"));
        item->trigger();
        QVERIFY(ui.contacts->selectionModel()->selectedIndexes().isEmpty());
        QVERIFY(!ui.contacts->currentIndex().isValid());
        QVERIFY(!w->SelectedContact());
        QVERIFY(ui.e_name->text().isEmpty());
        QVERIFY(ui.e_email->text().isEmpty());
        QVERIFY(ui.e_city->text().isEmpty());
        QVERIFY(ui.panel_sendmail->isHidden());
        QCOMPARE(w->focusWidget(), ui.e_name);
        QVERIFY(ui.contacts->updatesEnabled());
    }
    QCOMPARE(env_->databaseBytes(), before);
    QCOMPARE(indexNames(), (QStringList{"Mia", "Al", "Zed"})); // the index keeps file order
    QCOMPARE(ListedNames(*w), (QStringList{"Zed", "Mia", "Al"}));
}

void TstSort::menuItemsAndTagsChooseTheDirection() {
    auto w = window({"b", "c", "a"});
    QVERIFY(w);
    QCOMPARE(MenuItemTag(w->Ascending1), 1);
    QCOMPARE(MenuItemTag(w->Descending1), 2);
    w->Descending1->trigger();
    QCOMPARE(ListedNames(*w), (QStringList{"c", "b", "a"}));
    w->Ascending1->trigger();
    QCOMPARE(ListedNames(*w), (QStringList{"a", "b", "c"}));
    // Any sender without tag 1, none included, sorts descending.
    w->SortItemClick(nullptr);
    QCOMPARE(ListedNames(*w), (QStringList{"c", "b", "a"}));
}

QTEST_MAIN(TstSort)
#include "tst_sort.moc"
