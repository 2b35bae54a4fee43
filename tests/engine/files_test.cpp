// The files around the book: a database moved or replaced while it is open, links to it,
// backups under awkward names, files that are not backups at all, and what a killed run
// leaves beside the database.
#include "enginefixture.h"

#include "engine/journal.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quenlark;
using namespace quenlark::test;

namespace {

mode_t modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 0777;
}

bool isLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

long peakKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class FilesTest : public EngineTest {};

TEST_F(FilesTest, ABookMovedOrReplacedWhileOpenIsNeverWrittenBlindly) {
    const std::vector<std::pair<const char*, std::function<void()>>> moves = {
        {"renamed over",
         [this] {
             writeFile(path("other.qab"), databaseWith({"Other"}));
             std::filesystem::rename(path("other.qab"), dbPath());
         }},
        {"removed", [this] { std::filesystem::remove(dbPath()); }},
        {"moved away", [this] { std::filesystem::rename(dbPath(), path("elsewhere.qab")); }},
    };
    for (const auto& [how, move] : moves) {
        SCOPED_TRACE(how);
        engine = std::make_unique<AddressBookEngine>(settings, sink, dir.string());
        std::filesystem::remove(path("elsewhere.qab"));
        openWith({"Ann", "Bob"});
        writeFile(path("backup.QuenlarkBackup"), databaseWith({"Cy"}));
        move();
        const std::string there = readFile(dbPath());
        const ContactIndexEntry first = engine->index()[0];
        for (const Result& r :
             {engine->AppendContact(recordNamed("New")),
              engine->RewriteContact(first, recordNamed("New")), engine->DeleteContact(first),
              engine->RestoreBackupCopy(path("backup.QuenlarkBackup")),
              engine->AppendContacts([](ContactRecord&) { return false; })}) {
            EXPECT_EQ(r.failure(), Failure::DatabaseMoved) << r.message();
        }
        EXPECT_EQ(readFile(dbPath()), there);
    }
}

TEST_F(FilesTest, ABookReachedThroughALinkKeepsTheLink) {
    std::filesystem::create_directory(dir / "real");
    writeFile(path("real/book.qab"), databaseWith({"Ann", "Bob", "Cy"}));
    std::filesystem::create_symlink("real/book.qab", dbPath());
    useDatabase(dbPath());
    ASSERT_TRUE(engine->OpenAddressBook());
    engine->LoadContactIndex();
    ASSERT_TRUE(engine->DeleteContact(engine->index()[0]));
    ASSERT_TRUE(engine->AppendContact(recordNamed("Dee")));
    EXPECT_TRUE(isLink(dbPath()));
    EXPECT_EQ(readFile(path("real/book.qab")), databaseWith({"Bob", "Cy", "Dee"}));
    engine->LoadContactIndex();
    ASSERT_TRUE(engine->RewriteContact(engine->index()[0], recordNamed("Bea")));
    EXPECT_EQ(readFile(path("real/book.qab")), databaseWith({"Bea", "Cy", "Dee"}));
}

TEST_F(FilesTest, ReplacingTheBookKeepsItsPermissions) {
    writeFile(dbPath(), databaseWith({"Ann", "Bob"}));
    ::chmod(dbPath().c_str(), 0640);
    openWith({"Ann", "Bob"});
    ASSERT_TRUE(engine->DeleteContact(engine->index()[0]));
    EXPECT_EQ(modeOf(dbPath()), 0640u);
}

TEST_F(FilesTest, BackupsUnderAwkwardNames) {
    openWith({"Ann", "Bob"});
    const std::string book = readFile(dbPath());

    // A link: the file it points to gets the copy, the link stays.
    std::filesystem::create_directory(dir / "stick");
    writeFile(path("stick/old.QuenlarkBackup"), "last week's backup");
    std::filesystem::create_symlink("stick/old.QuenlarkBackup", path("link.QuenlarkBackup"));
    ASSERT_TRUE(engine->SaveBackupCopy(path("link.QuenlarkBackup")));
    EXPECT_TRUE(isLink(path("link.QuenlarkBackup")));
    EXPECT_EQ(readFile(path("stick/old.QuenlarkBackup")), book);

    // The longest name a folder entry can have.
    const std::string longest = path(std::string(255 - 15, 'n') + ".QuenlarkBackup");
    ASSERT_TRUE(engine->SaveBackupCopy(longest));
    EXPECT_EQ(readFile(longest), book);

    // Created readable by its owner only; a backup that is replaced keeps its permissions.
    EXPECT_EQ(modeOf(longest), 0600u);
    ::chmod(longest.c_str(), 0644);
    ASSERT_TRUE(engine->SaveBackupCopy(longest));
    EXPECT_EQ(modeOf(longest), 0644u);

    // The book itself, under any name, is never overwritten.
    std::filesystem::create_symlink(dbPath(), path("book-link"));
    std::filesystem::create_hard_link(dbPath(), path("book-hardlink"));
    for (const std::string& name : {dbPath(), path("book-link"), path("book-hardlink")})
        EXPECT_EQ(engine->SaveBackupCopy(name).failure(), Failure::IsDatabase) << name;
    EXPECT_TRUE(engine->IsDatabaseFile(path("book-link")));
    EXPECT_TRUE(engine->IsDatabaseFile(path("book-hardlink")));
    EXPECT_FALSE(engine->IsDatabaseFile(path("stick/old.QuenlarkBackup")));

    // Neither a folder nor a FIFO is replaced, and the FIFO is never waited on.
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    EXPECT_EQ(engine->SaveBackupCopy(path("fifo")).failure(), Failure::NotRegularFile);
    EXPECT_EQ(engine->SaveBackupCopy(path("stick")).failure(), Failure::NotRegularFile);
    EXPECT_EQ(readFile(dbPath()), book);
}

TEST_F(FilesTest, RestoreAndRepairRefuseWhatIsNotABackupAtOnce) {
    openWith({"Ann"});
    const std::string book = readFile(dbPath());
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0); // no writer: a read would wait forever
    std::filesystem::create_directory(dir / "folder");
    // A large file that is not a backup: refused from its header, without reading it all.
    {
        const int fd = ::open(path("huge.bin").c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 1536LL * 1024 * 1024), 0);
        ::close(fd);
    }
    const long peakBefore = peakKilobytes();
    EXPECT_EQ(engine->RestoreBackupCopy(path("fifo")).failure(), Failure::NotRegularFile);
    EXPECT_EQ(engine->RestoreBackupCopy(path("folder")).failure(), Failure::NotRegularFile);
    EXPECT_EQ(engine->RestoreBackupCopy("/dev/zero").failure(), Failure::NotRegularFile);
    EXPECT_EQ(engine->RestoreBackupCopy(path("huge.bin")).failure(), Failure::NotABackup);
    EXPECT_LT(peakKilobytes() - peakBefore, 64 * 1024);
    EXPECT_EQ(readFile(dbPath()), book);

    engine->CloseAddressBook();
    for (const char* name : {"fifo", "folder", "huge.bin"}) {
        sink.shown.clear();
        engine->RepairAddressBook(path(name));
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].title, "Recovary failed!") << name;
    }
    EXPECT_EQ(readFile(dbPath()), book);
}

TEST_F(FilesTest, TheNextOpenFinishesWhatAKilledRunLeft) {
    // A complete journal: the change it guards did not finish and is undone.
    const std::string book = databaseWith({"Ann", "Bob"});
    writeFile(dbPath(), book);
    {
        const int fd = ::open(dbPath().c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        RollbackJournal journal;
        const std::string saved = book.substr(36 + 2444, 2444);
        ASSERT_TRUE(journal.begin(dbPath(), fd, std::int64_t(book.size()),
                                  std::int64_t(book.size() + 2444), 36 + 2444, saved));
        // The change was half written, then the program was killed.
        ASSERT_EQ(::pwrite(fd, "XXXXX", 5, 36 + 2444 + 10), 5);
        ASSERT_EQ(::pwrite(fd, std::string(1000, 'Z').data(), 1000, off_t(book.size())), 1000);
        ::close(fd);
    }
    writeFile(path(".qab-abcdefgh"), "a new copy that was never renamed");
    writeFile(path(".qab-keepme"), "not one of ours: the name is different");
    useDatabase(dbPath());
    ASSERT_TRUE(engine->OpenAddressBook());
    EXPECT_EQ(readFile(dbPath()), book);
    EXPECT_FALSE(std::filesystem::exists(RollbackJournal::PathFor(dbPath())));
    EXPECT_FALSE(std::filesystem::exists(path(".qab-abcdefgh")));
    EXPECT_TRUE(std::filesystem::exists(path(".qab-keepme")));
    EXPECT_TRUE(sink.shown.empty());

    // A journal cut short was never complete, so its change never began: it goes, and the
    // book stays as it is.
    {
        RollbackJournal journal;
        const int fd = ::open(dbPath().c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_TRUE(journal.begin(dbPath(), fd, std::int64_t(book.size()),
                                  std::int64_t(book.size()), 36, ""));
        ::close(fd);
    }
    std::filesystem::resize_file(RollbackJournal::PathFor(dbPath()), 40);
    engine->CloseAddressBook();
    ASSERT_TRUE(engine->OpenAddressBook());
    EXPECT_EQ(readFile(dbPath()), book);
    EXPECT_FALSE(std::filesystem::exists(RollbackJournal::PathFor(dbPath())));
    EXPECT_TRUE(sink.shown.empty());
}
