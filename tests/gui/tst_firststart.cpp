// The first start of an installed copy: the per-user database and the program's text files.
#include "engine/addressbookengine.h"
#include "platform/firststart.h"
#include "platform/services.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace quenlark;

namespace {

std::string Std(const QString& s) {
    return s.toStdString();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

class SilentSink : public MessageSink {
public:
    void showMessage(const std::string&, const std::string&, MessageKind) override { ++count; }
    int count = 0;
};

} // namespace

class TstFirstStart : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void writableFileBesideProgramChangesNothing();
    void missingOrUnwritableFileGivesEmptyPerUserDatabase_data();
    void missingOrUnwritableFileGivesEmptyPerUserDatabase();
    void existingPerUserFileIsNeverReplaced();
    void existingSettingIsNeverTouched();
    void perUserFolderFollowsXdgDataHomeThenHome();
    void noPerUserFileLeavesSettingsAbsent();
    void unsavableSettingsKeepThePathForThisRun_data();
    void unsavableSettingsKeepThePathForThisRun();
    void engineOpensTheProvidedDatabase();
    void commandLineFindsTheBookTheWindowOpens_data();
    void commandLineFindsTheBookTheWindowOpens();
    void writableFileCheck();
    void programDataFileBesideProgramThenInstalled();

private:
    QString path(const QString& rel) const { return temp_->filePath(rel); }
    QString settingsPath() const { return path(QStringLiteral("config/addressbook.ini")); }
    QString dataHome() const { return path(QStringLiteral("data")); }
    QString userDatabase() const {
        return dataHome() + QStringLiteral("/quenlark/addressbook.qab");
    }

    std::unique_ptr<QTemporaryDir> temp_;
    QByteArray savedHome_, savedDataHome_;
};

void TstFirstStart::init() {
    temp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(temp_->isValid());
    savedHome_ = qgetenv("HOME");
    savedDataHome_ = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", path(QStringLiteral("home")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
}

void TstFirstStart::cleanup() {
    qputenv("HOME", savedHome_);
    if (savedDataHome_.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", savedDataHome_);
    temp_.reset();
}

void TstFirstStart::writableFileBesideProgramChangesNothing() {
    const QString exeDir = path(QStringLiteral("bin"));
    WriteFile(exeDir + QStringLiteral("/addressbook.qab"), {});
    SettingsStore settings(Std(settingsPath()));

    QCOMPARE(ProvideDefaultDatabase(settings, Std(exeDir)), std::string());
    QVERIFY(!settings.valueExists(kActiveAddressBookValue));
    QVERIFY(!QFile::exists(settingsPath()));
    QVERIFY(!QFileInfo::exists(dataHome()));
}

void TstFirstStart::missingOrUnwritableFileGivesEmptyPerUserDatabase_data() {
    QTest::addColumn<QString>("exeDir");
    QTest::addColumn<bool>("fileBesideProgram");
    // A folder below a regular file can hold nothing, whoever runs the test.
    QTest::newRow("folder cannot exist") << QStringLiteral("plainfile/bin") << false;
    QTest::newRow("no file in folder") << QStringLiteral("bin") << false;
    QTest::newRow("file not writable") << QStringLiteral("bin") << true;
    QTest::newRow("folder with trailing slash") << QStringLiteral("bin/") << false;
}

void TstFirstStart::missingOrUnwritableFileGivesEmptyPerUserDatabase() {
    QFETCH(QString, exeDir);
    QFETCH(bool, fileBesideProgram);
    WriteFile(path(QStringLiteral("plainfile")), "x");
    QDir().mkpath(path(QStringLiteral("bin")));
    const QString beside = path(QStringLiteral("bin/addressbook.qab"));
    if (fileBesideProgram)
        WriteFile(beside, "left alone");
    SettingsStore settings(Std(settingsPath()));

    QStringList checked;
    const auto writable = [&](const std::string& p) {
        checked << QString::fromStdString(p);
        return fileBesideProgram ? false : IsWritableFile(p);
    };
    const std::string provided = ProvideDefaultDatabase(settings, Std(path(exeDir)), writable);

    QCOMPARE(checked.size(), 1);
    QCOMPARE(QDir::cleanPath(checked[0]),
             QDir::cleanPath(path(exeDir) + QStringLiteral("/addressbook.qab")));
    QCOMPARE(provided, Std(userDatabase()));
    QCOMPARE(settings.findText(kActiveAddressBookValue), Std(userDatabase()));
    QVERIFY(QFileInfo(userDatabase()).isFile());
    QCOMPARE(QFileInfo(userDatabase()).size(), 0);
    if (fileBesideProgram)
        QCOMPARE(ReadFile(beside), QByteArray("left alone"));
}

void TstFirstStart::existingPerUserFileIsNeverReplaced() {
    WriteFile(userDatabase(), "someone's contacts");
    SettingsStore settings(Std(settingsPath()));

    QCOMPARE(ProvideDefaultDatabase(settings, Std(path(QStringLiteral("nowhere")))),
             Std(userDatabase()));
    QCOMPARE(ReadFile(userDatabase()), QByteArray("someone's contacts"));
    QCOMPARE(settings.findText(kActiveAddressBookValue), Std(userDatabase()));
}

void TstFirstStart::existingSettingIsNeverTouched() {
    SettingsStore settings(Std(settingsPath()));
    // Whatever it names (here a file that is gone, or a value of the wrong kind), the
    // person's setting stays as it is and the start-up reports it as usual.
    QVERIFY(settings.storeText(kActiveAddressBookValue, "/gone/addressbook.qab"));
    const QByteArray before = ReadFile(settingsPath());
    QCOMPARE(ProvideDefaultDatabase(settings, Std(path(QStringLiteral("nowhere")))), std::string());
    QCOMPARE(ReadFile(settingsPath()), before);

    QVERIFY(settings.storeNumber(kActiveAddressBookValue, 5));
    QCOMPARE(ProvideDefaultDatabase(settings, Std(path(QStringLiteral("nowhere")))), std::string());
    QCOMPARE(settings.findNumber(kActiveAddressBookValue), std::optional<std::int32_t>(5));
    QVERIFY(!QFileInfo::exists(dataHome()));
}

void TstFirstStart::perUserFolderFollowsXdgDataHomeThenHome() {
    qputenv("XDG_DATA_HOME", (dataHome() + QStringLiteral("//")).toLocal8Bit());
    QCOMPARE(UserDatabaseDir(), Std(dataHome() + QStringLiteral("/quenlark")));
    // A relative or empty XDG_DATA_HOME is ignored, as the base-directory rules say.
    const std::string underHome = Std(path(QStringLiteral("home/.local/share/quenlark")));
    qputenv("XDG_DATA_HOME", "relative/data");
    QCOMPARE(UserDatabaseDir(), underHome);
    qputenv("XDG_DATA_HOME", "");
    QCOMPARE(UserDatabaseDir(), underHome);

    SettingsStore settings(Std(settingsPath()));
    QCOMPARE(ProvideDefaultDatabase(settings, Std(path(QStringLiteral("nowhere")))),
             underHome + "/addressbook.qab");
    QVERIFY(QFileInfo(QString::fromStdString(underHome + "/addressbook.qab")).isFile());

    qunsetenv("XDG_DATA_HOME");
    qunsetenv("HOME");
    QCOMPARE(UserDatabaseDir(), std::string());
}

void TstFirstStart::noPerUserFileLeavesSettingsAbsent() {
    // The data folder cannot be made (below a regular file), then the database's own
    // name is taken by a folder: neither start writes a setting, so the next one tries
    // again and this one reports the database it cannot open.
    WriteFile(path(QStringLiteral("plainfile")), "x");
    qputenv("XDG_DATA_HOME", path(QStringLiteral("plainfile/data")).toLocal8Bit());
    SettingsStore settings(Std(settingsPath()));
    QCOMPARE(ProvideDefaultDatabase(settings, Std(path(QStringLiteral("nowhere")))), std::string());
    QVERIFY(!settings.valueExists(kActiveAddressBookValue));

    qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
    QVERIFY(QDir().mkpath(userDatabase()));
    QCOMPARE(ProvideDefaultDatabase(settings, Std(path(QStringLiteral("nowhere")))), std::string());
    QVERIFY(!settings.valueExists(kActiveAddressBookValue));
}

void TstFirstStart::unsavableSettingsKeepThePathForThisRun_data() {
    QTest::addColumn<QString>("settingsFile");
    QTest::newRow("folder cannot be made") << QStringLiteral("plainfile/config/addressbook.ini");
    QTest::newRow("folder in its place") << QStringLiteral("badsettings/addressbook.ini");
}

void TstFirstStart::unsavableSettingsKeepThePathForThisRun() {
    QFETCH(QString, settingsFile);
    WriteFile(path(QStringLiteral("plainfile")), "x");
    QVERIFY(QDir().mkpath(path(QStringLiteral("badsettings/addressbook.ini"))));
    SettingsStore settings(Std(path(settingsFile)));
    const std::string exeDir = Std(path(QStringLiteral("nowhere")));

    QCOMPARE(ProvideDefaultDatabase(settings, exeDir), Std(userDatabase()));
    QVERIFY(!settings.lastFailure());
    QVERIFY(!QFileInfo(path(settingsFile)).isFile());

    // The engine of this run reads the path from memory and opens the person's database.
    SilentSink sink;
    AddressBookEngine engine(settings, sink, exeDir);
    QVERIFY(engine.OpenAddressBook());
    QCOMPARE(engine.databasePath(), Std(userDatabase()));
    QCOMPARE(sink.count, 0);
}

void TstFirstStart::engineOpensTheProvidedDatabase() {
    SettingsStore settings(Std(settingsPath()));
    const std::string exeDir = Std(path(QStringLiteral("plainfile/bin")));
    WriteFile(path(QStringLiteral("plainfile")), "x");
    QCOMPARE(ProvideDefaultDatabase(settings, exeDir), Std(userDatabase()));

    SilentSink sink;
    AddressBookEngine engine(settings, sink, exeDir);
    QCOMPARE(engine.OpenAddressBook(), true);
    engine.CloseAddressBook();
    QVERIFY(QFileInfo(userDatabase()).size() > 0); // now an empty address book
    QCOMPARE(sink.count, 0);
    QCOMPARE(settings.findText(kActiveAddressBookValue), Std(userDatabase()));

    // The next start finds the setting and leaves the opened database alone.
    const QByteArray opened = ReadFile(userDatabase());
    QCOMPARE(ProvideDefaultDatabase(settings, exeDir), std::string());
    QCOMPARE(ReadFile(userDatabase()), opened);
}

void TstFirstStart::commandLineFindsTheBookTheWindowOpens_data() {
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("besideProgram"); // "", "writable" or "read-only"
    QTest::addColumn<bool>("ownExists");
    QTest::addColumn<QString>("book"); // what the window opens: "beside", "own", "named", ""
    QTest::addColumn<bool>("foundBeforeFirstStart");
    QTest::newRow("nothing yet") << ""
                                 << "" << false << "own" << false;
    QTest::newRow("read-only book beside") << ""
                                           << "read-only" << false << "own" << false;
    QTest::newRow("writable book beside") << ""
                                          << "writable" << true << "beside" << true;
    QTest::newRow("own book there") << ""
                                    << "read-only" << true << "own" << true;
    QTest::newRow("settings name one") << "text"
                                       << "writable" << true << "named" << true;
    QTest::newRow("setting not a text") << "number"
                                        << "writable" << true << "" << false;
}

void TstFirstStart::commandLineFindsTheBookTheWindowOpens() {
    QFETCH(QString, setting);
    QFETCH(QString, besideProgram);
    QFETCH(bool, ownExists);
    QFETCH(QString, book);
    QFETCH(bool, foundBeforeFirstStart);
    const QString exeDir = path(QStringLiteral("bin"));
    const QString named = path(QStringLiteral("named.qab"));
    WriteFile(exeDir + QStringLiteral("/addressbook.qab"), "beside");
    if (besideProgram.isEmpty())
        QVERIFY(QFile::remove(exeDir + QStringLiteral("/addressbook.qab")));
    if (ownExists)
        WriteFile(userDatabase(), {});
    SettingsStore cli(Std(settingsPath()));
    if (setting == QLatin1String("text"))
        QVERIFY(cli.storeText(kActiveAddressBookValue, Std(named)));
    else if (setting == QLatin1String("number"))
        QVERIFY(cli.storeNumber(kActiveAddressBookValue, 1));
    const auto writable = [&](const std::string& p) {
        return besideProgram == QLatin1String("writable") && IsWritableFile(p);
    };
    const QMap<QString, QString> paths{{"beside", exeDir + QStringLiteral("/addressbook.qab")},
                                       {"own", userDatabase()},
                                       {"named", named}};
    const QByteArray settingsBefore = ReadFile(settingsPath());

    // The command line names the book only when the window would open that one, and it
    // makes nothing: no database, no settings.
    std::string found;
    QCOMPARE(bool(FindActiveBook(cli, Std(exeDir), found, writable)), foundBeforeFirstStart);
    if (foundBeforeFirstStart)
        QCOMPARE(found, Std(paths[book]));
    QCOMPARE(QFileInfo::exists(userDatabase()), ownExists);
    QCOMPARE(ReadFile(settingsPath()), settingsBefore);

    // The window's first start, then the command line again.
    SettingsStore window(Std(settingsPath()));
    ProvideDefaultDatabase(window, Std(exeDir), writable);
    SilentSink sink;
    AddressBookEngine engine(window, sink, Std(exeDir));
    std::string opened;
    QCOMPARE(bool(engine.GetActiveAddressBookPath(opened)), !book.isEmpty());
    found.clear();
    QCOMPARE(bool(FindActiveBook(cli, Std(exeDir), found, writable)), !book.isEmpty());
    QCOMPARE(found, opened);
    if (!book.isEmpty())
        QCOMPARE(opened, Std(paths[book]));
}

void TstFirstStart::writableFileCheck() {
    WriteFile(path(QStringLiteral("file")), "x");
    QVERIFY(IsWritableFile(Std(path(QStringLiteral("file")))));
    QVERIFY(!IsWritableFile(Std(temp_->path())));
    QVERIFY(!IsWritableFile(Std(path(QStringLiteral("missing")))));
    QVERIFY(!IsWritableFile(Std(path(QStringLiteral("file/below")))));
    if (::geteuid() != 0) {
        QFile::setPermissions(path(QStringLiteral("file")), QFile::ReadOwner);
        QVERIFY(!IsWritableFile(Std(path(QStringLiteral("file")))));
    }
}

void TstFirstStart::programDataFileBesideProgramThenInstalled() {
    const QString bin = path(QStringLiteral("prefix/bin"));
    const QString share = path(QStringLiteral("prefix/share/quenlark-addressbook"));
    const QString name = QStringLiteral("whats new.txt");
    QDir().mkpath(bin);

    QCOMPARE(ProgramDataFile(name, bin), bin + QLatin1Char('/') + name);
    WriteFile(share + QLatin1Char('/') + name, "installed");
    QCOMPARE(ProgramDataFile(name, bin), share + QLatin1Char('/') + name);
    WriteFile(bin + QLatin1Char('/') + name, "beside");
    QCOMPARE(ProgramDataFile(name, bin), bin + QLatin1Char('/') + name);
    // A folder of that name is not the file.
    QDir().mkpath(bin + QStringLiteral("/info.txt"));
    WriteFile(share + QStringLiteral("/info.txt"), "installed");
    QCOMPARE(ProgramDataFile(QStringLiteral("info.txt"), bin), share + QStringLiteral("/info.txt"));
}

QTEST_MAIN(TstFirstStart)
#include "tst_firststart.moc"
