// The program's start as a whole: settings, the first start, the engine and the main window,
// and what the person is told once the window is up.
#include "app/startup.h"
#include "faultyfs.h"
#include "forms/mainform.h"
#include "platform/notices.h"
#include "scratchfiles.h"
#include "scripteduiseam.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

using namespace quenlark;
using namespace quenlark::test;

namespace {

// A folder on a read-only file system: nothing can be created in it, not even by root.
class ReadOnlyFolder : public fileio::FileSystem {
public:
    explicit ReadOnlyFolder(std::string dir) : dir_(std::move(dir)) { fileio::SetFileSystem(this); }
    ~ReadOnlyFolder() override { fileio::SetFileSystem(nullptr); }
    int open(const char* path, int flags, mode_t mode) override {
        const bool creates = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
        if (creates && std::string_view(path).starts_with(dir_)) {
            errno = EROFS;
            return -1;
        }
        return FileSystem::open(path, flags, mode);
    }

private:
    std::string dir_;
};

const QByteArray kOptions = "[Software\\Quenlark\\Address Book]\n"
                            "Disable URL Validation=dword:00000000\n"
                            "Display Tooltips=dword:00000001\n"
                            "Email field required=dword:00000001\n";

} // namespace

class TstSession : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstStartWithNothingBesideTheProgram();
    void readOnlySettingsStillOpenThePersonsDatabase();
    void fifoInPlaceOfTheSettingsDoesNotHoldUpTheStart();
    void fileSystemWithoutLocksIsToldOnce();

private:
    QString path(const QString& rel) const { return temp_->filePath(rel); }
    QString bin() const { return path(QStringLiteral("bin")); }
    QString configDir() const { return path(QStringLiteral("config/quenlark")); }
    QString settingsFile() const { return configDir() + QStringLiteral("/addressbook.ini"); }
    QString userDatabase() const { return path(QStringLiteral("data/quenlark/addressbook.qab")); }

    std::unique_ptr<QTemporaryDir> temp_;
    QList<QPair<const char*, QByteArray>> savedEnv_;
};

void TstSession::init() {
    temp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(temp_->isValid());
    QVERIFY(QDir().mkpath(bin()));
    const QPair<const char*, QString> env[] = {
        {"HOME", path(QStringLiteral("home"))},
        {"XDG_CONFIG_HOME", path(QStringLiteral("config"))},
        {"XDG_DATA_HOME", path(QStringLiteral("data"))},
        {"XDG_CACHE_HOME", path(QStringLiteral("cache"))},
    };
    for (const auto& [name, value] : env) {
        savedEnv_.append({name, qgetenv(name)});
        qputenv(name, QFile::encodeName(value));
    }
    ForgetRunNotices();
}

void TstSession::cleanup() {
    for (const auto& [name, value] : savedEnv_) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    savedEnv_.clear();
    temp_.reset();
}

void TstSession::firstStartWithNothingBesideTheProgram() {
    ScriptedUiSeam ui;
    Session session(LocalPath(bin()));
    QVERIFY(session.startedUp());
    session.tellStartupProblems();
    QCOMPARE(ui.titles(), QStringList());

    QCOMPARE(session.engine().databasePath(), LocalPath(userDatabase()));
    QVERIFY(QFileInfo(userDatabase()).size() > 0); // now an empty address book
    QVERIFY(ReadAll(settingsFile())
                .contains("Active Address Book=\"" + QFile::encodeName(userDatabase()) + "\"\n"));
    QVERIFY(QDir(bin()).isEmpty());
}

void TstSession::readOnlySettingsStillOpenThePersonsDatabase() {
    WriteAll(settingsFile(), kOptions);
    const ReadOnlyFolder readOnly(LocalPath(configDir()));
    ScriptedUiSeam ui;
    Session session(LocalPath(bin()));
    QVERIFY(session.startedUp());
    session.tellStartupProblems();
    session.tellStartupProblems();

    QCOMPARE(ui.titles(), QStringList{QStringLiteral("Options cannot be saved")});
    QVERIFY(ui.messages[0].owner == &session.window());
    QVERIFY(ui.messages[0].text.contains(QStringLiteral("Read-only file system")));
    QCOMPARE(session.engine().databasePath(), LocalPath(userDatabase()));
    QCOMPARE(ReadAll(settingsFile()), kOptions);
}

void TstSession::fifoInPlaceOfTheSettingsDoesNotHoldUpTheStart() {
    QVERIFY(QDir().mkpath(configDir()));
    const QByteArray fifo = QFile::encodeName(settingsFile());
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    const Watchdog watchdog(30);
    ScriptedUiSeam ui;
    {
        Session session(LocalPath(bin()));
        session.tellStartupProblems();
        QCOMPARE(ui.titles().count(QStringLiteral("Options cannot be saved")), 1);
        QVERIFY(!session.settings().lastFailure());
    }
    QVERIFY(QFileInfo(userDatabase()).size() > 0); // the person's database was opened
    struct stat st {};
    QCOMPARE(::lstat(fifo.constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
}

void TstSession::fileSystemWithoutLocksIsToldOnce() {
    WriteAll(userDatabase(), {});
    WriteAll(settingsFile(),
             kOptions + "Active Address Book=\"" + QFile::encodeName(userDatabase()) + "\"\n");
    FaultyFileSystem disk;
    disk.lockError = ENOLCK;
    ScriptedUiSeam ui;
    Session session(LocalPath(bin()));
    QVERIFY(session.startedUp());
    QVERIFY(session.engine().lockingUnsupported());
    QCOMPARE(ui.titles(), QStringList());
    session.tellStartupProblems();
    session.tellStartupProblems();

    QCOMPARE(ui.titles(), QStringList{QStringLiteral("Database cannot be locked")});
    QVERIFY(ui.messages[0].owner == &session.window());
    QCOMPARE(ui.messages[0].icon, MsgIcon::Warning);
    QVERIFY(ui.messages[0].text.contains(userDatabase()));
}

QTEST_MAIN(TstSession)
#include "tst_session.moc"
