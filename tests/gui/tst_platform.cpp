// The services that stand in for the desktop: settings file, single-instance marker and its
// folder, text conversion, the standard error report and the file dialog requests.
#include "app/startup.h"
#include "platform/instanceguard.h"
#include "platform/programfiles.h"
#include "platform/services.h"
#include "platform/settingsstore.h"
#include "platform/standarderror.h"
#include "platform/storedtext.h"
#include "platform/xdgdirs.h"
#include "scripteduiseam.h"
#include "tools/dialog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quenlark;
using namespace quenlark::test;

class TstPlatform : public QObject {
    Q_OBJECT
private slots:
    void settingsKeepTypesAndSurviveReload();
    void settingsReadHandEditedFiles();
    void settingsFailuresAreErrors();
    void secondCopyIsToldAndKilledCopyDoesNotBlock();
    void lockFolderIsPrivateToTheUser();
    void runtimeFolderOnlyWhenPrivate_data();
    void runtimeFolderOnlyWhenPrivate();
    void programFilesOnlyByAbsolutePaths();
    void storedTextRefusesWhatCannotBeKept();
    void standardErrorText_data();
    void standardErrorText();
    void fileDialogRequests();
};

void TstPlatform::settingsKeepTypesAndSurviveReload() {
    QTemporaryDir dir;
    const std::string file = (dir.path() + "/sub/dir/settings.ini").toStdString();
    {
        SettingsStore s(file);
        QVERIFY(!s.findText("Active Address Book"));
        QVERIFY(s.storeText("Active Address Book", "/home/me/My \"Books\"/a\\b.qab"));
        QVERIFY(s.storeNumber("Display Tooltips", 1));
        QVERIFY(s.storeNumber("Disable URL Validation", 0));
        QVERIFY(s.storeNumber("Negative", -2));
    }
    SettingsStore s(file);
    QCOMPARE(QString::fromStdString(*s.findText("Active Address Book")),
             QStringLiteral("/home/me/My \"Books\"/a\\b.qab"));
    QCOMPARE(*s.findNumber("Display Tooltips"), 1);
    QCOMPARE(*s.findNumber("Disable URL Validation"), 0);
    QCOMPARE(*s.findNumber("Negative"), -2);
    QVERIFY(s.valueExists("Display Tooltips"));
    s.deleteValue("Display Tooltips");
    QVERIFY(!s.valueExists("Display Tooltips"));
    QVERIFY(s.valueExists("Disable URL Validation"));

    // The file is plain text a person can read and edit.
    QFile f(QString::fromStdString(file));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY(text.contains("[Software\\Quenlark\\Address Book]"));
    QVERIFY(text.contains("Disable URL Validation=dword:00000000"));
    QVERIFY(text.contains("Negative=dword:fffffffe"));
}

void TstPlatform::settingsReadHandEditedFiles() {
    const auto values = SettingsStore::parse("; comment\n[Software\\Quenlark\\Address Book]\n"
                                             "  Active Address Book = /data/book.qab  \r\n"
                                             "Display Tooltips=dword:1\n"
                                             "garbage line\n"
                                             "Quoted=\"a = b\"\n");
    QCOMPARE(std::get<std::string>(values.at("Active Address Book")),
             std::string("/data/book.qab"));
    QCOMPARE(std::get<std::int32_t>(values.at("Display Tooltips")), 1);
    QCOMPARE(std::get<std::string>(values.at("Quoted")), std::string("a = b"));
    QCOMPARE(values.size(), std::size_t(3));
}

void TstPlatform::settingsFailuresAreErrors() {
    QTemporaryDir dir;
    SettingsStore s((dir.path() + "/s.ini").toStdString());
    QVERIFY(s.storeNumber("Active Address Book", 5));
    QVERIFY(s.storeText("Display Tooltips", "yes"));
    // The engine is told that a number names no book; the window finds no text in it.
    std::optional<std::string> text = "stale";
    QCOMPARE(s.readText("Active Address Book", text).failure(), Failure::BadArgument);
    QCOMPARE(text, std::nullopt);
    QCOMPARE(s.findText("Active Address Book"), std::nullopt);
    QCOMPARE(s.findNumber("Display Tooltips"), std::nullopt);

    // A settings path under a regular file can be neither made nor written.
    QFile blocker(dir.path() + "/file");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore bad((dir.path() + "/file/s.ini").toStdString());
    QVERIFY(!bad.storeText("x", "y"));
    // The engine goes on with the value for the rest of the run.
    QVERIFY(bad.readText("x", text));
    QCOMPARE(text, std::optional<std::string>("y"));
    QVERIFY(QString::fromStdString(bad.lastFailure().message()).contains("Not a directory"));
}

void TstPlatform::secondCopyIsToldAndKilledCopyDoesNotBlock() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    int ready[2];
    QCOMPARE(::pipe(ready), 0);
    const pid_t first = ::fork();
    QVERIFY(first >= 0);
    if (first == 0) {
        InstanceGuard guard(kInstanceMutexName, folder);
        const char ok = guard.acquire() ? 'y' : 'n';
        [[maybe_unused]] const ssize_t written = ::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char got = 0;
    QCOMPARE(::read(ready[0], &got, 1), ssize_t(1));
    QCOMPARE(got, 'y');

    InstanceGuard second(kInstanceMutexName, folder);
    QVERIFY(!second.acquire());
    QVERIFY(second.alreadyRunning());
    ScriptedUiSeam ui;
    ReportAlreadyRunning();
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages[0].title, QStringLiteral("Cannot start program."));
    QCOMPARE(ui.messages[0].text,
             QStringLiteral("You cannot run two or more copies of Quenlark Address Book at a time. "
                            " Please use the copy that is already open."));
    QCOMPARE(ui.messages[0].icon, MsgIcon::Information);
    QVERIFY(!ui.messages[0].hadOwner);

    ::kill(first, SIGKILL);
    ::waitpid(first, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    QVERIFY(second.acquire());
    QVERIFY(!second.alreadyRunning());
    // While this copy holds it, a third is refused; once released, it may run.
    InstanceGuard third(kInstanceMutexName, folder);
    QVERIFY(!third.acquire());
    second.release();
    QVERIFY(third.acquire());
}

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : mode_t(-1);
}

} // namespace

void TstPlatform::lockFolderIsPrivateToTheUser() {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    const std::string cache = base + "/cache/quenlark";

    // A missing folder is made for this user alone; one opened to others is closed again.
    const std::string shared = base + "/shared";
    QCOMPARE(InstanceGuard::chooseDirectory({}, shared, cache), shared);
    QCOMPARE(ModeOf(shared), mode_t(0700));
    QCOMPARE(::chmod(shared.c_str(), 0777), 0);
    QCOMPARE(InstanceGuard::chooseDirectory({}, shared, cache), shared);
    QCOMPARE(ModeOf(shared), mode_t(0700));

    // A link planted under the name, or a file, is passed over for the person's cache.
    const std::string planted = base + "/planted";
    QCOMPARE(::symlink(shared.c_str(), planted.c_str()), 0);
    QCOMPARE(InstanceGuard::chooseDirectory({}, planted, cache), cache);
    QCOMPARE(ModeOf(cache), mode_t(0700));
    QVERIFY(!EnsurePrivateFolder(planted));
    QFile file(dir.path() + "/file");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(!EnsurePrivateFolder(base + "/file"));

    // With no safe folder at all the program runs unguarded, as when the lock cannot be made.
    const std::string none = InstanceGuard::chooseDirectory({}, planted, base + "/file/quenlark");
    QCOMPARE(none, std::string());
    InstanceGuard unguarded(kInstanceMutexName, none);
    QVERIFY(unguarded.lockPath().empty());
    QVERIFY(unguarded.acquire());

    // Another user's folder is refused and left as it is.
    if (::geteuid() != 0)
        QSKIP("Only root can give a folder to another user");
    const std::string theirs = base + "/theirs";
    QCOMPARE(::mkdir(theirs.c_str(), 0755), 0);
    QCOMPARE(::chown(theirs.c_str(), 4242, 4242), 0);
    const Result refused = EnsurePrivateFolder(theirs);
    QVERIFY(!refused);
    QVERIFY(QString::fromStdString(refused.message()).contains("another user"));
    QCOMPARE(InstanceGuard::chooseDirectory({}, theirs, {}), std::string());
    QCOMPARE(ModeOf(theirs), mode_t(0755));
}

void TstPlatform::runtimeFolderOnlyWhenPrivate_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("used");
    QTest::newRow("own, closed to others") << "folder" << 0700 << true;
    QTest::newRow("open to the group") << "folder" << 0750 << false;
    QTest::newRow("shared, sticky") << "folder" << 01777 << false;
    QTest::newRow("another user's") << "theirs" << 0700 << false;
    QTest::newRow("link to a private folder") << "link" << 0700 << false;
    QTest::newRow("missing") << "missing" << 0700 << false;
}

void TstPlatform::runtimeFolderOnlyWhenPrivate() {
    QFETCH(QString, kind);
    QFETCH(int, mode);
    QFETCH(bool, used);
    if (kind == QLatin1String("theirs") && ::geteuid() != 0)
        QSKIP("Only root can give a folder to another user");
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    const std::string runtime = base + "/run", real = base + "/real", shared = base + "/shared";
    if (kind != QLatin1String("missing")) {
        QCOMPARE(::mkdir(real.c_str(), 0700), 0);
        QCOMPARE(::chmod(real.c_str(), mode_t(mode)), 0);
        QCOMPARE(kind == QLatin1String("link") ? ::symlink(real.c_str(), runtime.c_str())
                                               : ::rename(real.c_str(), runtime.c_str()),
                 0);
    }
    if (kind == QLatin1String("theirs"))
        QCOMPARE(::chown(runtime.c_str(), 4242, 4242), 0);

    QCOMPARE(InstanceGuard::chooseDirectory(runtime, shared, {}), used ? runtime : shared);
    // The session's folder is never changed, whatever it is.
    if (kind != QLatin1String("missing"))
        QCOMPARE(ModeOf(kind == QLatin1String("link") ? real : runtime), mode_t(mode));
}

void TstPlatform::programFilesOnlyByAbsolutePaths() {
    using Paths = std::vector<std::string>;
    QCOMPARE(ExecutableDir(), QCoreApplication::applicationDirPath().toStdString());
    QCOMPARE(FolderOfExecutable("/usr/bin/quenlark-addressbook"), std::string("/usr/bin"));
    QCOMPARE(FolderOfExecutable("/quenlark-addressbook"), std::string("/"));
    QCOMPARE(ModuleCandidates("/opt/q/bin", "w.so"),
             (Paths{"/opt/q/bin/w.so", "/opt/q/bin/../lib/quenlark-addressbook/modules/w.so"}));
    QCOMPARE(ModuleCandidates("/", "w.so"),
             (Paths{"/w.so", "/../lib/quenlark-addressbook/modules/w.so"}));
    // An executable's folder that is not known, or not absolute, leads nowhere: never to the
    // current folder.
    QCOMPARE(FolderOfExecutable("quenlark-addressbook"), std::string());
    QCOMPARE(FolderOfExecutable("bin/quenlark-addressbook"), std::string());
    for (const std::string unknown : {"", ".", "bin"}) {
        QCOMPARE(ModuleCandidates(unknown, "w.so"), Paths());
        QCOMPARE(ProgramDataFile(QStringLiteral("info.txt"), QString::fromStdString(unknown)),
                 QString());
    }
}

void TstPlatform::storedTextRefusesWhatCannotBeKept() {
    const QString ok = QStringLiteral("Zoë Œuvre €5 “quoted”");
    const auto bytes = ToStored(ok);
    QVERIFY(bytes.has_value());
    QCOMPARE(QByteArray::fromStdString(*bytes), QByteArray("Zo\xEB \x8C"
                                                           "uvre \x80"
                                                           "5 \x93quoted\x94"));
    QCOMPARE(FromStored(*bytes), ok);
    QVERIFY(FirstUnstorableCharacter(ok).isEmpty());

    const QString bad = QStringLiteral("Łukasz 日本");
    QVERIFY(!ToStored(bad).has_value());
    QCOMPARE(FirstUnstorableCharacter(bad), QStringLiteral("Ł"));
    QVERIFY(!ToStored(QStringLiteral("smile 😀")).has_value());
}

void TstPlatform::standardErrorText_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Access denied"
                            << "Access denied.";
    QTest::newRow("full stop") << "Done."
                               << "Done.";
    QTest::newRow("exclamation") << "Oops!"
                                 << "Oops!";
    QTest::newRow("digit") << "Error 5"
                           << "Error 5.";
    QTest::newRow("closing parenthesis") << "(x)"
                                         << "(x)";
    QTest::newRow("empty") << ""
                           << "";
}

void TstPlatform::standardErrorText() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(StandardErrorText(message), shown);
    ScriptedUiSeam ui;
    ShowStandardError(message);
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages[0].text, shown);
    QCOMPARE(ui.messages[0].icon, MsgIcon::Error);
    QCOMPARE(ui.messages[0].buttons, MsgButtons::Ok);
}

void TstPlatform::fileDialogRequests() {
    QTemporaryDir dir;
    ScriptedUiSeam ui;
    TFileDialogRequest r;
    ClearFileDialogRequest(r);
    QVERIFY(!r.owner && !r.filter && !r.defaultExt && !r.title && r.flags == 0 &&
            r.fileName.isEmpty());

    r.filter = "Rich Text Files\0*.rtf\0";
    r.defaultExt = "rtf";
    r.title = "Save report as...";
    r.flags = 0x2;
    ui.chooseFile(dir.path() + "/report");
    QVERIFY(ShowSaveDialog(r));
    QCOMPARE(r.fileName, dir.path() + "/report.rtf");
    QCOMPARE(ui.dialogs.size(), 1);
    QVERIFY(ui.dialogs[0].save);
    QCOMPARE(ui.dialogs[0].options.title, QStringLiteral("Save report as..."));
    QCOMPARE(ui.dialogs[0].options.filters.size(), 1);
    QCOMPARE(ui.dialogs[0].options.filters[0].first, QStringLiteral("Rich Text Files"));
    QCOMPARE(ui.dialogs[0].options.filters[0].second, QStringLiteral("*.rtf"));
    QCOMPARE(ui.dialogs[0].options.flags, 0x2u);

    // A name with an extension is kept; a cancelled dialog leaves the name as it was.
    ui.chooseFile(dir.path() + "/notes.txt");
    QVERIFY(ShowSaveDialog(r));
    QCOMPARE(r.fileName, dir.path() + "/notes.txt");
    ui.cancelFile();
    QVERIFY(!ShowSaveDialog(r));
    QCOMPARE(r.fileName, dir.path() + "/notes.txt");

    // Paths too long for the dialog's buffer are refused.
    ui.chooseFile(QStringLiteral("/") + QString(400, QLatin1Char('a')) + ".rtf");
    QVERIFY(!ShowSaveDialog(r));

    // 0x1000: only an existing file is accepted.
    r.flags = 0x1000;
    r.defaultExt = "QuenlarkBackup";
    ui.chooseFile(dir.path() + "/missing");
    QVERIFY(!ShowOpenDialog(r));
    QFile backup(dir.path() + "/b.QuenlarkBackup");
    QVERIFY(backup.open(QIODevice::WriteOnly));
    backup.close();
    ui.chooseFile(dir.path() + "/b");
    QVERIFY(ShowOpenDialog(r));
    QCOMPARE(r.fileName, dir.path() + "/b.QuenlarkBackup");
    QVERIFY(!ui.dialogs.last().save);
}

QTEST_MAIN(TstPlatform)
#include "tst_platform.moc"
