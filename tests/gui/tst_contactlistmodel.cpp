// The contact list model and the address book it shows: rows shown by name with the
// contact behind them as data, sorting, appending what is missing, and the refresh that
// follows every write.
#include "guitest.h"
#include "tools/addressbook.h"
#include "tools/contactlistmodel.h"

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

QTEST_MAIN(TstContactListModel)
#include "tst_contactlistmodel.moc"
