// The backup button's menu, driven through the real button and menu: the file requests,
// saving a copy, restoring it, refused and cancelled restores, and the messages.
#include "faultyfs.h"
#include "forms/mainform.h"
#include "guitest.h"

#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QtTest>
#include <functional>

using namespace quenlark;
using namespace quenlark::test;

namespace {

QList<ContactRecord> contacts(const QList<QByteArray>& names) {
    QList<ContactRecord> records;
    for (const QByteArray& name : names)
        records << NamedContact(name, name.toLower() + "@x");
    return records;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Clicks the backup button and, in the menu it drops, the given item. False when the menu
// did not offer the item.
bool chooseFromBackupButton(Tmainform& w, const char* itemName) {
    QAction* item = Action(w, itemName);
    QMenu* backupMenu = Menu(w, "backupMenu");
    bool picked = false;
    int tries = 0;
    std::function<void()> pick = [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            if (++tries < 200)
                QTimer::singleShot(10, pick);
            return;
        }
        if (menu != backupMenu || !menu->actions().contains(item)) {
            menu->close();
            return;
        }
        picked = true;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    };
    QTimer::singleShot(0, pick);
    QTest::mouseClick(Child(w, "backupButton"), Qt::LeftButton);
    return picked;
}

QString nameShown(const Tmainform& w) {
    return Child<QLineEdit>(w, "nameEdit")->text();
}

const QString kCannotReplace = QStringLiteral("Cannot replace the address book");

} // namespace

class TstBackup : public GuiTest {
    Q_OBJECT
private slots:
    void fileRequests();
    void cancelledOrMissingFilesDoNothing();
    void backupThenRestoreGivesTheSameList();
    void failedBackupIsReported();
    void backupOverTheAddressBookIsRefused_data();
    void backupOverTheAddressBookIsRefused();
    void nonDatabaseRestoreIsRefusedAndRefreshes();
    void scrolledListKeepsItsRowsUntilTold();
    void importTellsWhatWillHappenThenAddsTheContacts();
    void importDeclinedBadOrFailingWritesNothing();

private:
    std::unique_ptr<Tmainform> window(const QList<QByteArray>& names) {
        return GuiTest::window(contacts(names));
    }
};

void TstBackup::fileRequests() {
    auto w = window({"Amy"});
    QVERIFY(w);
    seam_->cancelFile();
    seam_->cancelFile();
    QVERIFY(chooseFromBackupButton(*w, "saveBackupItem"));
    QVERIFY(chooseFromBackupButton(*w, "restoreBackupItem"));
    QCOMPARE(seam_->dialogs.size(), 2);
    const QList<QPair<QString, QString>> filters = {{"Quenlark Backup Files", "*.QuenlarkBackup"}};

    const RecordedDialog& save = seam_->dialogs.at(0);
    QVERIFY(save.save);
    QCOMPARE(save.options.owner, w.get());
    QCOMPARE(save.options.title,
             QStringLiteral("Please select where you want to save the backup to..."));
    QCOMPARE(save.options.filters, filters);
    QCOMPARE(save.options.defaultExt, QStringLiteral("QuenlarkBackup"));
    QCOMPARE(save.options.filterIndex, 0);
    QCOMPARE(save.options.flags, 0u); // no question before replacing a file

    const RecordedDialog& restore = seam_->dialogs.at(1);
    QVERIFY(!restore.save);
    QCOMPARE(restore.options.owner, w.get());
    QCOMPARE(restore.options.title,
             QStringLiteral("Please select a backup file you want to restore..."));
    QCOMPARE(restore.options.filters, filters);
    QCOMPARE(restore.options.defaultExt, QStringLiteral("QuenlarkBackup"));
    QCOMPARE(restore.options.filterIndex, 0);
    QCOMPARE(restore.options.flags, 0x1000u); // the file must exist
}

void TstBackup::cancelledOrMissingFilesDoNothing() {
    auto w = window({"Amy", "Bob"});
    QVERIFY(w);
    ClickRow(*w, 1);
    QTest::keyClicks(Child(*w, "cityEdit"), QStringLiteral("typed"));
    const QByteArray before = env_->databaseBytes();
    seam_->cancelFile();
    seam_->cancelFile();
    seam_->chooseFile(env_->path(QStringLiteral("missing.QuenlarkBackup")));
    w->saveBackup();
    w->restoreBackup();
    w->restoreBackup();
    QCOMPARE(seam_->dialogs.size(), 3);
    QVERIFY(seam_->messages.isEmpty());
    QCOMPARE(env_->databaseBytes(), before);
    // No refresh: the selection and the typed text stay.
    QVERIFY(w->selectedContact());
    QCOMPARE(nameShown(*w), QStringLiteral("Bob"));
    QCOMPARE(Child<QLineEdit>(*w, "cityEdit")->text(), QStringLiteral("typed"));
    QVERIFY(!QFile::exists(env_->path(QStringLiteral("missing.QuenlarkBackup"))));
}

void TstBackup::backupThenRestoreGivesTheSameList() {
    auto w = window({"Zed", "Amy", "Bob"});
    QVERIFY(w);
    const QByteArray original = env_->databaseBytes();
    const QString backup = env_->path(QStringLiteral("copy.QuenlarkBackup"));
    writeFile(backup, "an older backup that is replaced without a question");
    ClickRow(*w, 1);

    // Typed without an extension: the default one is added.
    seam_->chooseFile(env_->path(QStringLiteral("copy")));
    QVERIFY(chooseFromBackupButton(*w, "saveBackupItem"));
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage saved = seam_->messages.first();
    QCOMPARE(saved.title, QStringLiteral("Backup complete!"));
    QCOMPARE(saved.text, QStringLiteral("Backup should have been saved sucsessfully."));
    QCOMPARE(saved.icon, MsgIcon::Information);
    QCOMPARE(saved.owner.data(), w.get());
    QCOMPARE(fileBytes(backup), original);
    // Saving leaves the list, the selection and the panel as they were.
    QCOMPARE(nameShown(*w), QStringLiteral("Amy"));
    QVERIFY(w->selectedContact());
    QCOMPARE(ListedNames(*w), QStringList({"Zed", "Amy", "Bob"}));

    // Change the database, then restore the backup.
    seam_->answer(MsgResult::Yes);
    QTest::mouseClick(Child(*w, "deleteButton"), Qt::LeftButton);
    QCOMPARE(ListedNames(*w), QStringList({"Zed", "Bob"}));
    ClickRow(*w, 0);
    seam_->clear();
    seam_->chooseFile(backup);
    // The message comes while the list and the panel still show what they showed, the
    // contact selected; the refresh of both follows, at once.
    QString shownAtMessage;
    QStringList listedAtMessage;
    bool selectedAtMessage = false;
    seam_->onMessage = [&](const RecordedMessage&) {
        shownAtMessage = nameShown(*w);
        listedAtMessage = ListedNames(*w);
        selectedAtMessage = Child<QListView>(*w, "contacts")->selectionModel()->isRowSelected(0);
    };
    QVERIFY(chooseFromBackupButton(*w, "restoreBackupItem"));
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage restored = seam_->messages.first();
    QCOMPARE(restored.title, QStringLiteral("Backup complete."));
    QCOMPARE(restored.text,
             QStringLiteral("It would seem that restoring the backup was sucsessful."));
    QCOMPARE(restored.icon, MsgIcon::Information);
    QCOMPARE(restored.owner.data(), w.get());
    QCOMPARE(shownAtMessage, QStringLiteral("Zed"));
    QCOMPARE(listedAtMessage, QStringList({"Zed", "Bob"}));
    QVERIFY(selectedAtMessage);
    QCOMPARE(env_->databaseBytes(), original);
    QCOMPARE(ListedNames(*w), QStringList({"Zed", "Amy", "Bob"}));
    QVERIFY(!w->selectedContact());
    QVERIFY(nameShown(*w).isEmpty());
    QCOMPARE(w->focusWidget(), Child(*w, "nameEdit"));
    // The rebuilt list names current contacts: a click shows the restored contact.
    ClickRow(*w, 1);
    QCOMPARE(nameShown(*w), QStringLiteral("Amy"));
}

void TstBackup::failedBackupIsReported() {
    auto w = window({"Amy"});
    QVERIFY(w);
    ClickRow(*w, 0);
    const QByteArray before = env_->databaseBytes();
    seam_->chooseFile(env_->path(QStringLiteral("no such folder/copy.QuenlarkBackup")));
    w->saveBackup();
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage& m = seam_->messages.first();
    QCOMPARE(m.title, QStringLiteral("Failed to perform backup!"));
    QCOMPARE(m.text, QStringLiteral("Quenlark Address Book failed to save a backup of your "
                                    "database.  Please check the path/filename and try again!"));
    QCOMPARE(m.icon, MsgIcon::Error);
    QCOMPARE(m.owner.data(), w.get());
    QVERIFY2(!m.details.isEmpty(), "the system's reason is given as the details");
    QCOMPARE(env_->databaseBytes(), before);
    QVERIFY(w->selectedContact());
}

void TstBackup::backupOverTheAddressBookIsRefused_data() {
    QTest::addColumn<QString>("chosen"); // relative to the sandbox
    QTest::newRow("the database") << "addressbook.qab";
    QTest::newRow("a link to it") << "link.QuenlarkBackup";
    QTest::newRow("another path to it") << "sub/../addressbook.qab";
}

// The file dialog's own question before replacing a file is no consent to replace the
// address book: nothing is written and the person is told why.
void TstBackup::backupOverTheAddressBookIsRefused() {
    QFETCH(QString, chosen);
    auto w = window({"Amy", "Bob"});
    QVERIFY(w);
    QVERIFY(QDir(env_->dir()).mkdir(QStringLiteral("sub")));
    QVERIFY(QFile::link(env_->databasePath(), env_->path(QStringLiteral("link.QuenlarkBackup"))));
    ClickRow(*w, 1);
    const QByteArray before = env_->databaseBytes();
    seam_->chooseFile(env_->path(chosen));
    QVERIFY(chooseFromBackupButton(*w, "saveBackupItem"));
    QCOMPARE(seam_->titles(), QStringList{kCannotReplace});
    const RecordedMessage& m = seam_->messages.first();
    QVERIFY(m.text.contains(QLatin1String("the address book itself")));
    QVERIFY(m.text.contains(QLatin1String("choose another name")));
    QCOMPARE(m.icon, MsgIcon::Error);
    QCOMPARE(m.owner.data(), w.get());
    QCOMPARE(env_->databaseBytes(), before);
    QCOMPARE(QFileInfo(env_->path(QStringLiteral("link.QuenlarkBackup"))).symLinkTarget(),
             env_->databasePath());
    QVERIFY(w->selectedContact());
    QCOMPARE(ListedNames(*w), QStringList({"Amy", "Bob"}));
}

void TstBackup::nonDatabaseRestoreIsRefusedAndRefreshes() {
    auto w = window({"Zed", "Amy"});
    QVERIFY(w);
    const QByteArray before = env_->databaseBytes();
    const QString junk = env_->path(QStringLiteral("notes.QuenlarkBackup"));
    writeFile(junk, QByteArray("not an address book at all").repeated(200));
    // The list shown sorted and a contact selected, as a sort and a click leave it.
    Action(*w, "ascendingItem")->trigger();
    ClickRow(*w, 0);
    QCOMPARE(nameShown(*w), QStringLiteral("Amy"));

    seam_->chooseFile(junk);
    QVERIFY(chooseFromBackupButton(*w, "restoreBackupItem"));
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage& m = seam_->messages.first();
    QCOMPARE(m.title, QStringLiteral("Failed to perform restore!"));
    QCOMPARE(m.text, QStringLiteral("Quenlark Address Book failed to correctly restore the "
                                    "backup.  Please look in the help file for information on "
                                    "how to manually restore the backup."));
    QCOMPARE(m.icon, MsgIcon::Error);
    QCOMPARE(m.owner.data(), w.get());
    // The database keeps its contacts; the list is rebuilt in file order with nothing shown.
    QCOMPARE(env_->databaseBytes(), before);
    QCOMPARE(ListedNames(*w), QStringList({"Zed", "Amy"}));
    QVERIFY(!w->selectedContact());
    QVERIFY(nameShown(*w).isEmpty());
    QVERIFY(Child<QLineEdit>(*w, "emailEdit")->text().isEmpty());
    QCOMPARE(w->focusWidget(), Child(*w, "nameEdit"));
}

// Far down a long list, the rows in view keep their names while the restore's outcome is
// told.
void TstBackup::scrolledListKeepsItsRowsUntilTold() {
    QList<QByteArray> names;
    for (int i = 0; i < 40; ++i)
        names << QByteArray("C") + QByteArray::number(i);
    const QString backup = env_->path(QStringLiteral("two.QuenlarkBackup"));
    writeFile(backup, DatabaseOfNames({"Amy", "Bob"}));
    auto w = window(names);
    QVERIFY(w);
    auto* list = Child<QListView>(*w, "contacts");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End); // selects the last contact and scrolls to it
    QVERIFY(w->selectedContact());
    QStringList inView;
    seam_->onMessage = [&](const RecordedMessage&) {
        for (int row = 0; row < 40; ++row) {
            const QModelIndex index = list->model()->index(row, 0);
            if (list->viewport()->rect().intersects(list->visualRect(index)))
                inView << index.data().toString();
        }
    };
    seam_->chooseFile(backup);
    QVERIFY(chooseFromBackupButton(*w, "restoreBackupItem"));
    QVERIFY(inView.size() > 5);
    QCOMPARE(inView.last(), QStringLiteral("C39"));
    QCOMPARE(inView.first(), QStringLiteral("C%1").arg(40 - inView.size()));
    QCOMPARE(ListedNames(*w), QStringList({"Amy", "Bob"}));
}

namespace {

// Three contacts: one plain, one with a zip code too long for its field, one with a
// character the book cannot store.
const QByteArray kThreeCards = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zoe Plain\r\n"
                               "EMAIL:zoe@example.com\r\nEND:VCARD\r\n"
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Long Zip\r\nADR:;;;;;" +
                               QByteArray(150, '9') +
                               ";\r\nEND:VCARD\r\n"
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xe4\xb8\xad Chen\r\n"
                               "END:VCARD\r\n";

} // namespace

void TstBackup::importTellsWhatWillHappenThenAddsTheContacts() {
    auto w = window({"Amy", "Bob"});
    QVERIFY(w);
    const QString file = env_->path(QStringLiteral("phone.vcf"));
    writeFile(file, kThreeCards);
    seam_->chooseFile(file);
    seam_->answer(MsgResult::Yes); // add them
    QVERIFY(chooseFromBackupButton(*w, "importContactsItem"));

    QCOMPARE(seam_->dialogs.size(), 1);
    const RecordedDialog& asked = seam_->dialogs.at(0);
    QVERIFY(!asked.save);
    QCOMPARE(asked.options.title, QStringLiteral("Please select a vCard or CSV file to import..."));
    QCOMPARE(asked.options.filters.at(0).second, QStringLiteral("*.vcf; *.vcard; *.csv"));

    QCOMPARE(seam_->titles(), (QStringList{"Import contacts", "Import contacts"}));
    const RecordedMessage& question = seam_->messages.at(0);
    QCOMPARE(question.buttons, MsgButtons::YesNo);
    QVERIFY(question.text.startsWith(QStringLiteral("2 of the 3 contacts in the file")));
    QVERIFY(question.text.contains(QStringLiteral("cut to fit")));
    QVERIFY(question.text.contains(QStringLiteral("cannot store")));
    // The details name each contact that is cut or skipped.
    QVERIFY(question.details.contains(QStringLiteral("Long Zip")));
    QVERIFY(question.details.contains(QStringLiteral("Chen")));
    QVERIFY(seam_->messages.at(1).text.startsWith(QStringLiteral("2 contacts were added")));

    // Added at the end, in the file's order; the list shows them with nothing selected.
    const QByteArray book = env_->databaseBytes();
    QCOMPARE(RecordCount(book), 4);
    QCOMPARE(FieldOf(book, 2, Field::Name), QByteArray("Zoe Plain"));
    QCOMPARE(FieldOf(book, 3, Field::ZipCode), QByteArray(99, '9'));
    QCOMPARE(ListedNames(*w), (QStringList{"Amy", "Bob", "Zoe Plain", "Long Zip"}));
    QVERIFY(!w->selectedContact());
}

void TstBackup::importDeclinedBadOrFailingWritesNothing() {
    auto w = window({"Amy"});
    QVERIFY(w);
    const QByteArray before = env_->databaseBytes();
    const QString cards = env_->path(QStringLiteral("cards.vcf"));
    writeFile(cards, kThreeCards);

    // Declined after the summary.
    seam_->chooseFile(cards);
    seam_->answer(MsgResult::No);
    QVERIFY(chooseFromBackupButton(*w, "importContactsItem"));
    QCOMPARE(env_->databaseBytes(), before);

    // Not a contacts file at all: said so, nothing asked.
    const QString binary = env_->path(QStringLiteral("program.vcf"));
    writeFile(binary, QByteArray("\x7f"
                                 "ELF\0\0\0\x02",
                                 8) +
                          QByteArray(200, '\0'));
    seam_->clear();
    seam_->chooseFile(binary);
    QVERIFY(chooseFromBackupButton(*w, "importContactsItem"));
    QCOMPARE(seam_->titles(), QStringList{"Import contacts"});
    QCOMPARE(seam_->messages.at(0).icon, MsgIcon::Error);
    QVERIFY(seam_->messages.at(0).text.contains(QStringLiteral("cannot be imported")));
    QCOMPARE(env_->databaseBytes(), before);

    // The disk fails while the contacts are added: all or none, and the person is told.
    seam_->clear();
    seam_->chooseFile(cards);
    seam_->answer(MsgResult::Yes);
    {
        FaultyFileSystem disk;
        disk.failAt = 3; // a write of the change itself
        QVERIFY(chooseFromBackupButton(*w, "importContactsItem"));
        QVERIFY(disk.struck());
    }
    QCOMPARE(seam_->titles(), (QStringList{"Import contacts", "Import contacts"}));
    QCOMPARE(seam_->messages.at(1).icon, MsgIcon::Error);
    QVERIFY(!seam_->messages.at(1).details.isEmpty());
    QCOMPARE(env_->databaseBytes(), before);
    QCOMPARE(ListedNames(*w), QStringList{"Amy"});
}

QTEST_MAIN(TstBackup)
#include "tst_backup.moc"
