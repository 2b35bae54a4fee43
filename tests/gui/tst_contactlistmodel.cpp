// The contact list model and the address book it shows: rows shown by name with the
// contact behind them as data, sorting, appending what is missing, and the refresh that
// follows every write.
#include "guitest.h"
#include "platform/storedtext.h"
#include "tools/addressbook.h"
#include "tools/contactlistmodel.h"

#include <QCollator>
#include <QSignalSpy>
#include <QtTest>

using namespace quenlark;
using namespace quenlark::test;

class TstContactListModel : public GuiTest {
    Q_OBJECT
private slots:
    void init() override;

    void rowsShowNamesAndCarryTheirContact();
    void unknownContactsAreLeftOut();
    void appendMissingKeepsOrderAndSkipsWhatIsThere();
    void sortKeepsTheSelectedRowWithItsContact();
    void writesRefreshAfterTheCommandHasToldItsOutcome();
    void aListFollowsEachChangeAsShowingItAgainWould();
    void sortsAsTheCollatorComparesOneByOne_data();
    void sortsAsTheCollatorComparesOneByOne();

private:
    ContactSerials all_; // Ann, Bob, Ann, Dee in file order
};

void TstContactListModel::init() {
    GuiTest::init();
    env_->writeDatabase(DatabaseOfNames({"Ann", "Bob", "Ann", "D\xe9"}));
    QVERIFY(env_->engine().OpenAddressBook());
    env_->engine().LoadContactIndex();
    all_.clear();
    for (const ContactIndexEntry& e : env_->engine().index())
        all_ << e.serial;
}

void TstContactListModel::rowsShowNamesAndCarryTheirContact() {
    ContactListModel model(env_->engine());
    model.showWholeIndex();
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.contacts(), all_);
    QCOMPARE(model.index(3).data().toString(), QStringLiteral("D\u00e9")); // from Windows-1252
    QCOMPARE(model.index(1).data(Qt::AccessibleTextRole).toString(), QStringLiteral("Bob"));
    QCOMPARE(model.index(2).data(ContactListModel::SerialRole).toULongLong(), all_[2]);
    QCOMPARE(model.index(2).data(ContactListModel::HandleRole).toString(),
             QString::number(all_[2]));
    QVERIFY(!(model.flags(model.index(0)) & Qt::ItemIsEditable));
    // Two contacts of one name are two rows, each its own contact.
    QCOMPARE(model.entryAt(0)->name, model.entryAt(2)->name);
    QVERIFY(model.entryAt(0) != model.entryAt(2));
    QCOMPARE(model.rowOf(all_[2]), 2);
    QVERIFY(!model.entryAt(4));
    QCOMPARE(model.rowOf(0), -1);
}

void TstContactListModel::unknownContactsAreLeftOut() {
    ContactListModel model(env_->engine());
    const quint64 gone = all_.last() + 1000;
    model.setContacts({all_[3], gone, all_[0]});
    QCOMPARE(model.contacts(), (ContactSerials{all_[3], all_[0]}));
    model.append(gone);
    QCOMPARE(model.rowCount(), 2);
    // Once the index is read again, earlier serials name nothing.
    env_->engine().LoadContactIndex();
    QVERIFY(!model.entryAt(0));
}

void TstContactListModel::appendMissingKeepsOrderAndSkipsWhatIsThere() {
    ContactListModel model(env_->engine());
    model.setContacts({all_[2], all_[1]});
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QCOMPARE(model.appendMissing(all_ + ContactSerials{all_[0]}), 2);
    QCOMPARE(model.contacts(), (ContactSerials{all_[2], all_[1], all_[0], all_[3]}));
    // The rows already there stay where they were: one insertion at the end, no reset.
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted[0][1].toInt(), 2);
    QCOMPARE(reset.count(), 0);
    QCOMPARE(model.appendMissing(all_), 0);
    QCOMPARE(inserted.count(), 1);
}

void TstContactListModel::sortKeepsTheSelectedRowWithItsContact() {
    ContactListModel model(env_->engine());
    model.showWholeIndex();
    const QPersistentModelIndex bob = model.index(1);
    model.sort(0, Qt::DescendingOrder);
    QCOMPARE(model.index(0).data().toString(), QStringLiteral("D\u00e9"));
    QCOMPARE(bob.data().toString(), QStringLiteral("Bob"));
    QCOMPARE(bob.row(), 1);
    model.sort(0, Qt::AscendingOrder);
    QCOMPARE(bob.row(), 2);
    // Names alike are ordered by their handles' texts, the same way each time.
    const ContactSerials ascending = model.contacts();
    QVERIFY(QString::number(ascending[0]) < QString::number(ascending[1]));
}

void TstContactListModel::writesRefreshAfterTheCommandHasToldItsOutcome() {
    AddressBook book(env_->engine());
    QSignalSpy changed(&book, &AddressBook::contactsChanged);
    QVERIFY(book.appendContact(NamedContact("Eve")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(env_->engine().index().size(), std::size_t(5));
    {
        const AddressBook::PendingReload refresh(book);
        QVERIFY(book.deleteContact(env_->engine().index().front()));
        QVERIFY(book.appendContact(NamedContact("Fay")));
        QCOMPARE(changed.count(), 1); // not yet
        QCOMPARE(env_->engine().index().size(), std::size_t(5));
    }
    QCOMPARE(changed.count(), 2); // once, after both
    QCOMPARE(RecordCount(env_->databaseBytes()), 5);
    QCOMPARE(env_->engine().index().front().name, std::string("Bob"));
    QCOMPARE(env_->engine().index().back().name, std::string("Fay"));
    // A failed write refreshes as well, so the lists show what the file holds.
    const Result refused = book.saveBackup(env_->databasePath());
    QCOMPARE(refused.failure(), Failure::IsDatabase);
    QVERIFY(!book.restoreBackup(env_->path(QStringLiteral("missing"))));
    QCOMPARE(changed.count(), 3);
}

// What the list shows: names in row order.
static QStringList shown(const ContactListModel& model) {
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names << model.index(row).data().toString();
    return names;
}

void TstContactListModel::aListFollowsEachChangeAsShowingItAgainWould() {
    AddressBook book(env_->engine());
    ContactListModel model(env_->engine());
    QObject::connect(&book, &AddressBook::contactsAppended, &model,
                     &ContactListModel::followAppend);
    QObject::connect(&book, &AddressBook::contactRewritten, &model,
                     &ContactListModel::followRewrite);
    QObject::connect(&book, &AddressBook::contactRemoved, &model, &ContactListModel::followRemoval);
    model.showWholeIndex();
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    const auto same = [&] {
        ContactListModel fresh(env_->engine());
        fresh.showWholeIndex();
        return shown(model) == shown(fresh) && model.contacts() == fresh.contacts();
    };
    QVERIFY(book.appendContact(NamedContact("Eve")));
    QVERIFY(same());
    QCOMPARE(inserted.count(), 1);
    QVERIFY(book.rewriteContact(env_->engine().index()[1], NamedContact("Bea")));
    QVERIFY(same());
    QVERIFY(book.deleteContact(env_->engine().index()[0]));
    QVERIFY(same());
    QCOMPARE(removed.count(), 1);
    QCOMPARE(reset.count(), 0); // each change moved only its own row
    // The contacts that stayed keep their serials, so a row's contact is still the same.
    QCOMPARE(model.serialAt(0), all_[1]);

    // A sorted list goes back to file order at the next change.
    model.sort(0, Qt::DescendingOrder);
    QVERIFY(!same());
    QVERIFY(book.appendContact(NamedContact("Al")));
    QVERIFY(same());
    QCOMPARE(shown(model).last(), QStringLiteral("Al"));
}

void TstContactListModel::sortsAsTheCollatorComparesOneByOne_data() {
    QTest::addColumn<QList<QByteArray>>("names");
    // Enough contacts for the sort to share its work between threads; names that collate
    // alike (case, prefixes) so that the handles' order matters too.
    QList<QByteArray> alike;
    for (int i = 0; i < 50000; ++i)
        alike << QByteArray(i % 3 == 0   ? "ann "
                            : i % 3 == 1 ? "Ann"
                                         : "\xc5nn ") +
                     QByteArray::number(i % 997);
    QTest::newRow("case, accents and prefixes, in two threads") << alike;
    QTest::newRow("blanks, punctuation, digits and bars") << QList<QByteArray>{
        "a b", "ab", "a-b", "a.b", "a|b", "a|",   "a",      "",      " ",     "a1",
        "a10", "a2", "A 2", "|",   "||",  "a\tb", "O'Hara", "OHara", "o hara"};
    // Every character of the code page after "x", a letter that sorts late.
    QList<QByteArray> codePage;
    for (int c = 0x20; c < 0x100; ++c)
        codePage << QByteArray("x") + char(c) << QByteArray(1, char(c)) + "z";
    codePage << "\xdf"
             << "ss"
             << "sz"
             << "\xe6"
             << "ae"
             << "\x8c"
             << "oe"
             << "\x80 1"
             << "E 1";
    QTest::newRow("the code page's letters and signs") << codePage;
}

void TstContactListModel::sortsAsTheCollatorComparesOneByOne() {
    QFETCH(QList<QByteArray>, names);
    env_->engine().CloseAddressBook();
    env_->writeDatabase(DatabaseOfNames(names));
    QVERIFY(env_->engine().OpenAddressBook());
    env_->engine().LoadContactIndex();
    ContactListModel model(env_->engine());
    model.showWholeIndex();
    model.sort(0, Qt::AscendingOrder);

    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    ContactSerials expected;
    for (const ContactIndexEntry& e : env_->engine().index())
        expected << e.serial;
    const auto keyOf = [&](quint64 serial) {
        return FromStored(env_->engine().EntryFromSerial(serial)->name) + QLatin1Char('|') +
               QString::number(serial);
    };
    std::stable_sort(expected.begin(), expected.end(), [&](quint64 a, quint64 b) {
        const int c = collator.compare(keyOf(a), keyOf(b));
        return c != 0 ? c < 0 : QString::number(a) < QString::number(b);
    });
    QCOMPARE(model.contacts(), expected);
    model.sort(0, Qt::DescendingOrder);
    std::reverse(expected.begin(), expected.end());
    QCOMPARE(model.contacts(), expected);
}

QTEST_MAIN(TstContactListModel)
#include "tst_contactlistmodel.moc"
