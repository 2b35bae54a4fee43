// The backup button's menu, driven through the real button and menu: the file requests,
// saving a copy, restoring it, refused and cancelled restores, and the messages.
#include "controls/quenlarkstdbutton.h"
#include "engine/contactrecord.h"
#include "forms/mainform.h"
#include "mainwindowdriver.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QStringListModel>
#include <QtTest>
#include <algorithm>
#include <functional>

using namespace quenlark;
using namespace quenlark::test;

namespace {

QByteArray databaseWith(const QList<QByteArray>& names) {
    QList<ContactRecord> records;
    for (const QByteArray& name : names) {
        ContactRecord& r = records.emplace_back();
        ClearContactRecord(r);
        r.setText(Field::Name, name.toStdString());
        r.setText(Field::Email, (name.toLower() + "@x").toStdString());
    }
    return DatabaseWith(records);
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
bool chooseFromBackupButton(Tmainform& w, QAction* item) {
    bool picked = false;
    int tries = 0;
    std::function<void()> pick = [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            if (++tries < 200)
                QTimer::singleShot(10, pick);
            return;
        }
        if (menu != w.backup_popup || !menu->actions().contains(item)) {
            menu->close();
            return;
        }
        picked = true;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    };
    QTimer::singleShot(0, pick);
    QTest::mouseClick(w.ui()->QuenlarkStdButton1, Qt::LeftButton);
    return picked;
}

} // namespace

class TstBackup : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void fileRequests();
    void cancelledOrMissingFilesDoNothing();
    void backupThenRestoreGivesTheSameList();
    void failedBackupIsReported();
    void nonDatabaseRestoreIsRefusedAndRefreshes();

private:
    std::unique_ptr<Tmainform> window(const QList<QByteArray>& names);

    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> seam_;
};

void TstBackup::init() {
    env_ = std::make_unique<TestEnv>();
    seam_ = std::make_unique<ScriptedUiSeam>();
}

void TstBackup::cleanup() {
    QVERIFY(seam_->drained());
    seam_.reset();
    env_.reset();
}

std::unique_ptr<Tmainform> TstBackup::window(const QList<QByteArray>& names) {
    return OpenMainWindow(*env_, databaseWith(names));
}

void TstBackup::fileRequests() {
    auto w = window({"Amy"});
    QVERIFY(w);
    seam_->cancelFile();
    seam_->cancelFile();
    QVERIFY(chooseFromBackupButton(*w, w->Savebackupfile1));
    QVERIFY(chooseFromBackupButton(*w, w->Recoverusingabackupfile1));
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
    const auto& ui = *w->ui();
    ClickRow(*w, 1);
    QTest::keyClicks(ui.e_city, QStringLiteral("typed"));
    const QByteArray before = env_->databaseBytes();
    seam_->cancelFile();
    seam_->cancelFile();
    seam_->chooseFile(env_->dir() + QStringLiteral("/missing.QuenlarkBackup"));
    w->Savebackupfile1Click(w->Savebackupfile1);
    w->Recoverusingabackupfile1Click(w->Recoverusingabackupfile1);
    w->Recoverusingabackupfile1Click(w->Recoverusingabackupfile1);
    QCOMPARE(seam_->dialogs.size(), 3);
    QVERIFY(seam_->messages.isEmpty());
    QCOMPARE(env_->databaseBytes(), before);
    // No refresh: the selection and the typed text stay.
    QVERIFY(w->SelectedContact());
    QCOMPARE(ui.e_name->text(), QStringLiteral("Bob"));
    QCOMPARE(ui.e_city->text(), QStringLiteral("typed"));
    QVERIFY(!QFile::exists(env_->dir() + QStringLiteral("/missing.QuenlarkBackup")));
}

void TstBackup::backupThenRestoreGivesTheSameList() {
    auto w = window({"Zed", "Amy", "Bob"});
    QVERIFY(w);
    const auto& ui = *w->ui();
    const QByteArray original = env_->databaseBytes();
    const QString backup = env_->dir() + QStringLiteral("/copy.QuenlarkBackup");
    writeFile(backup, "an older backup that is replaced without a question");
    ClickRow(*w, 1);

    // Typed without an extension: the default one is added.
    seam_->chooseFile(env_->dir() + QStringLiteral("/copy"));
    QVERIFY(chooseFromBackupButton(*w, w->Savebackupfile1));
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage saved = seam_->messages.first();
    QCOMPARE(saved.title, QStringLiteral("Backup complete!"));
    QCOMPARE(saved.text, QStringLiteral("Backup should have been saved sucsessfully."));
    QCOMPARE(saved.icon, MsgIcon::Information);
    QCOMPARE(saved.owner.data(), w.get());
    QCOMPARE(fileBytes(backup), original);
    // Saving leaves the list, the selection and the panel as they were.
    QCOMPARE(ui.e_name->text(), QStringLiteral("Amy"));
    QVERIFY(w->SelectedContact());
    QCOMPARE(ListedNames(*w), QStringList({"Zed", "Amy", "Bob"}));

    // Change the database, then restore the backup.
    seam_->answer(MsgResult::Yes);
    QTest::mouseClick(ui.btnDelete, Qt::LeftButton);
    QCOMPARE(ListedNames(*w), QStringList({"Zed", "Bob"}));
    ClickRow(*w, 0);
    seam_->clear();
    seam_->chooseFile(backup);
    QVERIFY(chooseFromBackupButton(*w, w->Recoverusingabackupfile1));
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage restored = seam_->messages.first();
    QCOMPARE(restored.title, QStringLiteral("Backup complete."));
    QCOMPARE(restored.text,
             QStringLiteral("It would seem that restoring the backup was sucsessful."));
    QCOMPARE(restored.icon, MsgIcon::Information);
    QCOMPARE(restored.owner.data(), w.get());
    QCOMPARE(env_->databaseBytes(), original);
    QCOMPARE(ListedNames(*w), QStringList({"Zed", "Amy", "Bob"}));
    QVERIFY(!w->SelectedContact());
    QVERIFY(ui.e_name->text().isEmpty());
    QCOMPARE(w->focusWidget(), ui.e_name);
    // The rebuilt list's handles are current: a click shows the restored contact.
    ClickRow(*w, 1);
    QCOMPARE(ui.e_name->text(), QStringLiteral("Amy"));
}

void TstBackup::failedBackupIsReported() {
    auto w = window({"Amy"});
    QVERIFY(w);
    ClickRow(*w, 0);
    const QByteArray before = env_->databaseBytes();
    seam_->chooseFile(env_->dir() + QStringLiteral("/no such folder/copy.QuenlarkBackup"));
    seam_->chooseFile(env_->databasePath()); // over the database itself
    w->Savebackupfile1Click(w->Savebackupfile1);
    w->Savebackupfile1Click(w->Savebackupfile1);
    QCOMPARE(seam_->messages.size(), 2);
    for (const RecordedMessage& m : seam_->messages) {
        QCOMPARE(m.title, QStringLiteral("Failed to perform backup!"));
        QCOMPARE(m.text, QStringLiteral("Quenlark Address Book failed to save a backup of your "
                                        "database.  Please check the path/filename and try "
                                        "again!"));
        QCOMPARE(m.icon, MsgIcon::Error);
        QCOMPARE(m.owner.data(), w.get());
    }
    QCOMPARE(env_->databaseBytes(), before);
    QVERIFY(w->SelectedContact());
}

void TstBackup::nonDatabaseRestoreIsRefusedAndRefreshes() {
    auto w = window({"Zed", "Amy"});
    QVERIFY(w);
    const auto& ui = *w->ui();
    const QByteArray before = env_->databaseBytes();
    const QString junk = env_->dir() + QStringLiteral("/notes.QuenlarkBackup");
    writeFile(junk, QByteArray("not an address book at all").repeated(200));
    // The list shown reordered and a contact selected, as a sort and a click leave it.
    QStringList shown = w->contactsModel()->stringList();
    std::reverse(shown.begin(), shown.end());
    w->contactsModel()->setStringList(shown);
    ClickRow(*w, 0);
    QCOMPARE(ui.e_name->text(), QStringLiteral("Amy"));

    seam_->chooseFile(junk);
    QVERIFY(chooseFromBackupButton(*w, w->Recoverusingabackupfile1));
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
    QVERIFY(!w->SelectedContact());
    QVERIFY(ui.e_name->text().isEmpty());
    QVERIFY(ui.e_email->text().isEmpty());
    QCOMPARE(w->focusWidget(), ui.e_name);
}

QTEST_MAIN(TstBackup)
#include "tst_backup.moc"
