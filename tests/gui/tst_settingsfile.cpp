// The settings file as people leave it: edited by hand, linked elsewhere, in a folder that
// cannot be written, or not a file at all.
#include "faultyfs.h"
#include "platform/notices.h"
#include "platform/programoptions.h"
#include "platform/settingsstore.h"
#include "scratchfiles.h"
#include "scripteduiseam.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace quenlark;
using namespace quenlark::test;

namespace {

const QByteArray kOtherOptions = "Disable URL Validation=dword:00000000\n"
                                 "Email field required=dword:00000001\n";

} // namespace

class TstSettingsFile : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void handEditedOption_data();
    void handEditedOption();
    void unwritableSettingsRunOnDefaultsAndSaySoOnce_data();
    void unwritableSettingsRunOnDefaultsAndSaySoOnce();
    void keptValuesAreSavedOnceTheFolderCanBeWritten();
    void linkedFileStaysALink();
    void fileThatCouldNotBeReadIsNeverReplaced();
    void notARegularFileIsNeitherWaitedOnNorReplaced_data();
    void notARegularFileIsNeitherWaitedOnNorReplaced();

private:
    QString path(const QString& rel) const { return temp_->filePath(rel); }
    std::unique_ptr<QTemporaryDir> temp_;
};

void TstSettingsFile::init() {
    temp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(temp_->isValid());
    ForgetRunNotices();
}

void TstSettingsFile::cleanup() {
    temp_.reset();
}

void TstSettingsFile::handEditedOption_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("tooltips");
    QTest::addColumn<bool>("kept");
    QTest::newRow("plain one") << QByteArray("Display Tooltips=1") << true << true;
    QTest::newRow("plain zero, spaced") << QByteArray("Display Tooltips = 0 ") << false << true;
    QTest::newRow("dword in capitals") << QByteArray("Display Tooltips=DWORD:0") << false << true;
    QTest::newRow("yes") << QByteArray("Display Tooltips=yes") << true << false;
    QTest::newRow("hex that is not") << QByteArray("Display Tooltips=dword:zzzz") << true << false;
    QTest::newRow("hex too long") << QByteArray("Display Tooltips=dword:100000000") << true
                                  << false;
    QTest::newRow("quoted zero") << QByteArray("Display Tooltips=\"0\"") << true << false;
    QTest::newRow("empty") << QByteArray("Display Tooltips=") << true << false;
    QTest::newRow("too large") << QByteArray("Display Tooltips=99999999999") << true << false;
}

void TstSettingsFile::handEditedOption() {
    QFETCH(QByteArray, line);
    QFETCH(bool, tooltips);
    QFETCH(bool, kept);
    const QString file = path(QStringLiteral("addressbook.ini"));
    const QByteArray before = "[Software\\Quenlark\\Address Book]\n" + line + '\n' + kOtherOptions;
    WriteAll(file, before);
    SettingsStore store(LocalPath(file));

    Result problem = Result::Fail(Failure::Io, "not set");
    const OptionValues options = ProgramOptions(store).load(&problem);
    QVERIFY(problem);
    QCOMPARE(options.displayTooltips, tooltips);
    QCOMPARE(options.disableUrlValidation, false);
    QCOMPARE(options.emailRequired, true);
    if (kept) {
        QCOMPARE(ReadAll(file), before);
    } else {
        // The default took the value's place in the file, and the others are as they were.
        const QByteArray after = ReadAll(file);
        QVERIFY2(after.contains("\nDisplay Tooltips=dword:00000001\n"), after.constData());
        for (const QByteArray& other : kOtherOptions.split('\n'))
            QVERIFY(after.contains(other + '\n'));
        QVERIFY(!after.contains(line + '\n'));
    }
}

void TstSettingsFile::unwritableSettingsRunOnDefaultsAndSaySoOnce_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");
    // The folder would have to be made below a regular file: refused to root as well.
    QTest::newRow("folder cannot be made") << QStringLiteral("plainfile/quenlark/addressbook.ini")
                                           << QStringLiteral("Not a directory");
    // No write permission for anyone: left alone even by root.
    QTest::newRow("read-only file")
        << QStringLiteral("readonly.ini") << QStringLiteral("read-only");
}

void TstSettingsFile::unwritableSettingsRunOnDefaultsAndSaySoOnce() {
    QFETCH(QString, file);
    QFETCH(QString, reason);
    WriteAll(path(QStringLiteral("plainfile")), "x");
    const QByteArray readOnly = "[Software\\Quenlark\\Address Book]\n";
    WriteAll(path(QStringLiteral("readonly.ini")), readOnly);
    QVERIFY(QFile::setPermissions(path(QStringLiteral("readonly.ini")), QFile::ReadOwner));
    SettingsStore store(LocalPath(path(file)));
    ProgramOptions options(store);

    Result problem;
    const OptionValues loaded = options.load(&problem);
    QVERIFY(!problem);
    QVERIFY2(QString::fromStdString(problem.message()).contains(reason), problem.message().c_str());
    QVERIFY(loaded.displayTooltips && !loaded.disableUrlValidation && loaded.emailRequired);

    // What the person chooses lasts for the run, though it cannot be saved.
    OptionValues changed = loaded;
    changed.displayTooltips = false;
    QVERIFY(!options.save(changed));
    QCOMPARE(store.findNumber(kDisplayTooltipsValue), std::optional<std::int32_t>(0));
    QCOMPARE(options.load().displayTooltips, false);

    ScriptedUiSeam ui;
    TellSettingsCannotBeSaved(nullptr, problem);
    TellSettingsCannotBeSaved(nullptr, store.lastFailure());
    QCOMPARE(ui.titles(), QStringList{QStringLiteral("Options cannot be saved")});
    QCOMPARE(ui.messages[0].icon, MsgIcon::Warning);
    QVERIFY(ui.messages[0].text.endsWith(QString::fromStdString(problem.message())));
    QVERIFY(QFileInfo(path(QStringLiteral("plainfile"))).isFile());
    QCOMPARE(ReadAll(path(QStringLiteral("readonly.ini"))), readOnly);
}

void TstSettingsFile::keptValuesAreSavedOnceTheFolderCanBeWritten() {
    WriteAll(path(QStringLiteral("config")), "in the way");
    const QString file = path(QStringLiteral("config/quenlark/addressbook.ini"));
    SettingsStore store(LocalPath(file));
    QVERIFY(!store.storeText("Active Address Book", "/home/me/book.qab"));
    QVERIFY(!store.storeNumber("Display Tooltips", 0));

    QVERIFY(QFile::remove(path(QStringLiteral("config"))));
    QVERIFY(store.storeNumber("Email field required", 1));
    SettingsStore reread(LocalPath(file));
    QCOMPARE(reread.findText("Active Address Book"),
             std::optional<std::string>("/home/me/book.qab"));
    QCOMPARE(reread.findNumber("Display Tooltips"), std::optional<std::int32_t>(0));
    QCOMPARE(reread.findNumber("Email field required"), std::optional<std::int32_t>(1));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0600));
}

void TstSettingsFile::linkedFileStaysALink() {
    // The person keeps the real file elsewhere, readable by the group, and links to it.
    const QString target = path(QStringLiteral("dotfiles/quenlark.ini"));
    WriteAll(target, "Display Tooltips=dword:00000001\n");
    QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    const QString link = path(QStringLiteral("config/quenlark/addressbook.ini"));
    QVERIFY(QDir().mkpath(QFileInfo(link).absolutePath()));
    QVERIFY(QFile::link(QStringLiteral("../../dotfiles/quenlark.ini"), link));

    SettingsStore store(LocalPath(link));
    QVERIFY(store.storeNumber("Display Tooltips", 0));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), target);
    QVERIFY(ReadAll(target).contains("Display Tooltips=dword:00000000\n"));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0640));

    // A link whose file is not there yet gets it made where it points.
    const QString dangling = path(QStringLiteral("config/other.ini"));
    QVERIFY(QFile::link(path(QStringLiteral("dotfiles/new.ini")), dangling));
    SettingsStore fresh(LocalPath(dangling));
    QVERIFY(fresh.storeText("Active Address Book", "/b.qab"));
    QVERIFY(QFileInfo(dangling).isSymLink());
    QVERIFY(ReadAll(path(QStringLiteral("dotfiles/new.ini"))).contains("/b.qab"));
}

void TstSettingsFile::fileThatCouldNotBeReadIsNeverReplaced() {
    const QString file = path(QStringLiteral("addressbook.ini"));
    const QByteArray before = "[Software\\Quenlark\\Address Book]\n"
                              "Active Address Book=\"/home/me/book.qab\"\n" +
                              kOtherOptions;
    WriteAll(file, before);
    SettingsStore store(LocalPath(file));
    {
        FaultyFileSystem disk;
        disk.failReadAt = 1;
        QCOMPARE(store.findText("Active Address Book"), std::optional<std::string>());
    }
    QVERIFY(QString::fromStdString(store.lastFailure().message())
                .contains(QStringLiteral("Input/output error")));

    // Writing now would drop the values that could not be read, even once reads work again.
    QVERIFY(!store.storeNumber("Display Tooltips", 0));
    QCOMPARE(store.findNumber("Display Tooltips"), std::optional<std::int32_t>(0));
    QCOMPARE(ReadAll(file), before);
}

void TstSettingsFile::notARegularFileIsNeitherWaitedOnNorReplaced_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << QStringLiteral("fifo");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("link to a device") << QStringLiteral("device");
}

void TstSettingsFile::notARegularFileIsNeitherWaitedOnNorReplaced() {
    QFETCH(QString, kind);
    const QString file = path(QStringLiteral("addressbook.ini"));
    const QByteArray name = QFile::encodeName(file);
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(file));
    else
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), file));
    struct stat before {};
    QCOMPARE(::lstat(name.constData(), &before), 0);

    const Watchdog watchdog(20);
    SettingsStore store(LocalPath(file));
    // The engine reads no path (and no error); the options are the defaults, kept in memory.
    std::optional<std::string> text;
    QVERIFY(store.readText("Active Address Book", text));
    QCOMPARE(text, std::nullopt);
    Result problem;
    const OptionValues options = ProgramOptions(store).load(&problem);
    QVERIFY(!problem);
    QVERIFY(QString::fromStdString(problem.message())
                .contains(QString::fromStdString(LocalPath(file))));
    QVERIFY(options.displayTooltips && !options.disableUrlValidation && options.emailRequired);
    QCOMPARE(store.findNumber(kDisplayTooltipsValue), std::optional<std::int32_t>(1));
    QVERIFY(!store.storeText("Active Address Book", "/b.qab"));
    QVERIFY(store.readText("Active Address Book", text));
    QCOMPARE(text, std::optional<std::string>("/b.qab"));

    struct stat after {};
    QCOMPARE(::lstat(name.constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(QDir(temp_->path())
                 .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("addressbook.ini")});
}

QTEST_MAIN(TstSettingsFile)
#include "tst_settingsfile.moc"
