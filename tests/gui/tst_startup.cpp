// The main window's start-up: every way opening the database can go.
#include "faultyfs.h"
#include "forms/mainform.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

using namespace quenlark;
using namespace quenlark::test;

namespace {

QByteArray databaseWith(const QStringList& names, int version = 2) {
    const auto header = MakeHeader();
    QByteArray bytes(header.data(), int(header.size()));
    bytes[32] = char(version);
    for (const QString& n : names) {
        ContactRecord r;
        ClearContactRecord(r);
        r.setText(Field::Name, n.toStdString());
        bytes.append(r.bytes.data(), int(r.bytes.size()));
    }
    return bytes;
}

const QString kCannotOpen = QStringLiteral("Cannot open database!");

} // namespace

class TstStartup : public QObject {
    Q_OBJECT
private slots:
    void missingFileNoEndsRetryOpensOnceItExists();
    void emptyFileOpensAsEmptyAddressBook();
    void foreignFileRestoredFromBackup();
    void otherVersionEndsAndLeavesFileUnchanged();
    void seriousErrorOffersRestoreThenAsksForRestart();
    void messagesNameTheRealCause();
};

void TstStartup::missingFileNoEndsRetryOpensOnceItExists() {
    TestEnv env;
    QFile::remove(env.databasePath());
    {
        ScriptedUiSeam ui;
        ui.answer(MsgResult::No);
        Tmainform w(env.engine(), env.settings());
        QVERIFY(!w.startedUp());
        QCOMPARE(ui.titles(), QStringList{kCannotOpen});
        QCOMPARE(ui.messages[0].text,
                 QStringLiteral("Quenlark Address Book failed to open the database, possible "
                                "because it is in use by another program.  Please close any "
                                "programs that could be using the database and try again!\n\nIf "
                                "you would like to retry press Yes, otherwise press No to exit."));
        QCOMPARE(ui.messages[0].icon, MsgIcon::Question);
        QCOMPARE(ui.messages[0].buttons, MsgButtons::YesNo);
        QVERIFY(!ui.messages[0].hadOwner);
        QVERIFY(!QFile::exists(env.databasePath()));
    }
    ScriptedUiSeam ui;
    ui.answer(MsgResult::Yes);
    ui.answer(MsgResult::Yes);
    // The second time the question is asked, the file has appeared.
    ui.onMessage = [&](const RecordedMessage&) {
        if (ui.messages.size() == 2)
            env.writeDatabase(databaseWith({"Ann"}));
    };
    Tmainform w(env.engine(), env.settings());
    QVERIFY(w.startedUp());
    QCOMPARE(ui.titles(), (QStringList{kCannotOpen, kCannotOpen}));
    QCOMPARE(env.engine().index().size(), std::size_t(1));
}

void TstStartup::emptyFileOpensAsEmptyAddressBook() {
    TestEnv env;
    ScriptedUiSeam ui;
    Tmainform w(env.engine(), env.settings());
    QVERIFY(w.startedUp());
    QVERIFY(ui.messages.isEmpty());
    QCOMPARE(env.databaseBytes(), databaseWith({}));
    QVERIFY(env.engine().hasIndex());
    QVERIFY(env.engine().index().empty());
}

void TstStartup::foreignFileRestoredFromBackup() {
    TestEnv env;
    const QByteArray foreign(100, 'f');
    env.writeDatabase(foreign);
    const QString backup = env.dir() + QStringLiteral("/good.QuenlarkBackup");
    QFile f(backup);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(databaseWith({"Ann", "Bob"}));
    f.close();

    ScriptedUiSeam ui;
    ui.answer(MsgResult::Yes); // Restore backup? - prompt cancelled
    ui.cancelFile();
    ui.answer(MsgResult::Yes);                          // asked again
    ui.chooseFile(env.dir() + QStringLiteral("/good")); // the extension is added
    Tmainform w(env.engine(), env.settings());
    QVERIFY(w.startedUp());
    QCOMPARE(ui.titles(),
             (QStringList{"Restore backup?", "Restore backup?", "Recovary complete!"}));
    QCOMPARE(ui.messages[0].text, QStringLiteral("Sorry but your database is not a valid one.  "
                                                 "Would you like to specify a backup to restore?"));
    QCOMPARE(ui.dialogs.size(), 2);
    QCOMPARE(ui.dialogs[0].options.title,
             QStringLiteral("Please select a backup file you want to restore..."));
    QCOMPARE(ui.dialogs[0].options.flags, 0x1000u);
    QCOMPARE(ui.dialogs[0].options.filters[0].second, QStringLiteral("*.QuenlarkBackup"));
    QCOMPARE(env.databaseBytes(), databaseWith({"Ann", "Bob"}));
    QCOMPARE(env.engine().index().size(), std::size_t(2));
    QVERIFY(ui.drained());
}

void TstStartup::otherVersionEndsAndLeavesFileUnchanged() {
    TestEnv env;
    const QByteArray v3 = databaseWith({"Ann"}, 3);
    env.writeDatabase(v3);
    {
        ScriptedUiSeam ui;
        Tmainform w(env.engine(), env.settings());
        QVERIFY(!w.startedUp());
        QCOMPARE(ui.titles(), QStringList{"Cannot upgrade database in this version"});
        QVERIFY(ui.messages[0].text.contains(QStringLiteral("not compatible  with this version")));
        QCOMPARE(ui.messages[0].icon, MsgIcon::Error);
    }
    QVERIFY(!env.engine().isOpen()); // closed when the window went away
    QCOMPARE(env.databaseBytes(), v3);
}

void TstStartup::seriousErrorOffersRestoreThenAsksForRestart() {
    TestEnv env; // an empty database: the open writes a header, and that write fails
    FaultyFileSystem disk;
    disk.failAt = 1;
    ScriptedUiSeam ui;
    ui.answer(MsgResult::Yes);
    ui.cancelFile();
    Tmainform w(env.engine(), env.settings());
    QVERIFY(!w.startedUp());
    QCOMPARE(ui.titles(),
             (QStringList{"Restore backup database?", "Please restart Quenlark Address Book"}));
    QCOMPARE(ui.dialogs.size(), 1);
    QCOMPARE(ui.dialogs[0].options.title, QStringLiteral("Select a backup file to restore..."));
    QVERIFY(ui.dialogs[0].options.owner == nullptr);
    QCOMPARE(ui.messages[1].icon, MsgIcon::Information);
}

// A book nobody may write is read-only, not in use; a folder under the journal's name is
// moved aside and named, and the book opens.
void TstStartup::messagesNameTheRealCause() {
    TestEnv env;
    env.writeDatabase(databaseWith({"Ann"}));
    QVERIFY(QFile::setPermissions(env.databasePath(), QFile::ReadOwner));
    {
        ScriptedUiSeam ui;
        ui.answer(MsgResult::No);
        Tmainform w(env.engine(), env.settings());
        QVERIFY(!w.startedUp());
        QCOMPARE(ui.titles(), QStringList{kCannotOpen});
        QVERIFY(ui.messages[0].text.contains(QLatin1String("because it is read-only")));
        QVERIFY(!ui.messages[0].text.contains(QLatin1String("in use")));
    }
    QVERIFY(QFile::setPermissions(env.databasePath(), QFile::ReadOwner | QFile::WriteOwner));

    const QString journal = env.databasePath() + QStringLiteral("-journal");
    QVERIFY(QDir().mkdir(journal));
    ScriptedUiSeam ui;
    Tmainform w(env.engine(), env.settings());
    QVERIFY(w.startedUp());
    QCOMPARE(ui.titles(), QStringList{"Journal not used"});
    QVERIFY(ui.messages[0].text.contains(QLatin1String("is a folder")));
    QVERIFY(!ui.messages[0].hadOwner);
    QVERIFY(QFileInfo(journal + QStringLiteral(".not-applied")).isDir());
    QCOMPARE(env.engine().index().size(), std::size_t(1));
}

QTEST_MAIN(TstStartup)
#include "tst_startup.moc"
