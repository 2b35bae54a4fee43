// The book against other programs, other users and hostile files: files under the
// journal's name that do not fit the book, a book rewritten in place while it is open,
// writers aimed at the book under another name, other users' links in shared folders, and
// files too large to be address books.
#include "../support/faultyfs.h"
#include "enginefixture.h"

#include "engine/atomicfile.h"
#include "engine/journal.h"

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace quenlark;
using namespace quenlark::test;

namespace {

std::vector<std::string> people(int count, const std::string& prefix = "Person ") {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.push_back(prefix + std::to_string(i));
    return out;
}

// Answers for one path as if another user owned it, and for folders as if everyone could
// write them and they had the sticky bit (/tmp): what a test cannot set up for real
// without being root.
class SharedFolder : public fileio::FileSystem {
public:
    std::string foreignPath;
    uid_t owner = ::geteuid() + 1;
    bool stickyFolders = false;
    uid_t folderOwner = ::geteuid();

    SharedFolder() { fileio::SetFileSystem(this); }
    ~SharedFolder() override { fileio::SetFileSystem(nullptr); }
    int lstat(const char* path, struct stat* st) override {
        const int r = FileSystem::lstat(path, st);
        if (r == 0 && path == foreignPath)
            st->st_uid = owner;
        return r;
    }
    int stat(const char* path, struct stat* st) override {
        const int r = FileSystem::stat(path, st);
        if (r == 0 && stickyFolders && S_ISDIR(st->st_mode)) {
            st->st_mode |= S_ISVTX | S_IWOTH;
            st->st_uid = folderOwner;
        }
        return r;
    }
};

} // namespace

class SafetyTest : public EngineTest {
protected:
    std::string journal() const { return RollbackJournal::PathFor(dbPath()); }

    // The book as a kill in the middle of an Add leaves it: the `names`, the new record
    // after them, and the journal that undoes it.
    void killedAdd(const std::string& file, const std::vector<std::string>& names) {
        writeFile(file, databaseWith(names));
        OneBookSettings one(file);
        AddressBookEngine writer(one, sink, dir.string());
        ASSERT_TRUE(writer.OpenAddressBook());
        DyingDisk disk(3);
        ASSERT_FALSE(writer.AppendContact(recordNamed("Added")));
        ASSERT_TRUE(std::filesystem::exists(RollbackJournal::PathFor(file)));
    }

    // Another program writes `bytes` into the book's own file (as `cp backup book` does).
    void rewriteInPlace(const std::string& bytes) {
        struct stat before {};
        ::stat(dbPath().c_str(), &before);
        writeFile(dbPath(), bytes);
        struct stat after {};
        ::stat(dbPath().c_str(), &after);
        ASSERT_EQ(before.st_ino, after.st_ino);
    }

    // Opens a book whose last change lies an hour back, as a book opened for use does: a
    // rewrite by the test is then a change of its times too.
    void openAged(const std::vector<std::string>& names) {
        writeFile(dbPath(), databaseWith(names));
        timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, dbPath().c_str(), times, 0), 0);
        useDatabase(dbPath());
        ASSERT_TRUE(engine->OpenAddressBook());
        engine->LoadContactIndex();
    }
};

TEST_F(SafetyTest, WhatDoesNotFitTheBookUnderTheJournalsNameIsMovedAsideNeverApplied) {
    struct Case {
        const char* name;
        std::function<void()> plant;
        std::string book;  // what the book holds when it is opened
        const char* named; // in the message
    };
    const std::string ten = databaseWith(people(10));
    const std::vector<Case> cases = {
        {"a folder", [&] { std::filesystem::create_directory(journal()); }, ten, "a folder"},
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(journal().c_str(), 0600), 0); }, ten, "a FIFO"},
        {"a link to a journal",
         [&] {
             killedAdd(path("real.qab"), people(10));
             std::filesystem::rename(RollbackJournal::PathFor(path("real.qab")), path("j"));
             std::filesystem::create_symlink(path("j"), journal());
         },
         ten, "a symbolic link"},
        {"text",
         [&] {
             writeFile(journal(), "QuenlarkJournal, or so it says");
             ::chmod(journal().c_str(), 0600);
         },
         ten, "not a journal"},
        {"a journal others may read",
         [&] {
             killedAdd(dbPath(), people(10));
             ::chmod(journal().c_str(), 0644);
         },
         "", "not mode 0600"},
        {"a journal of another book",
         [&] {
             killedAdd(path("other.qab"), people(10));
             std::filesystem::rename(RollbackJournal::PathFor(path("other.qab")), journal());
         },
         ten, "another file"},
    };
    // A killed Add, then a backup copied over the book in its place: longer, shorter, or
    // as long with other contacts.
    const std::vector<std::pair<const char*, std::string>> copiedOver = {
        {"a longer backup", databaseWith(people(12, "Backed-up "))},
        {"a shorter backup", databaseWith(people(9, "Backed-up "))},
        {"a backup as long", databaseWith(people(11, "Backed-up "))},
    };
    std::vector<Case> all = cases;
    for (const auto& [name, backup] : copiedOver)
        all.push_back({name,
                       [&, b = backup] {
                           killedAdd(dbPath(), people(10));
                           rewriteInPlace(b);
                       },
                       backup, "before another program changed it"});
    useDatabase(dbPath());
    for (const Case& c : all) {
        SCOPED_TRACE(c.name);
        engine->CloseAddressBook();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directory(dir);
        if (!c.book.empty())
            writeFile(dbPath(), c.book);
        c.plant();
        const std::string book = readFile(dbPath());
        sink.shown.clear();
        ASSERT_TRUE(engine->OpenAddressBook()) << engine->openFailure().message();
        EXPECT_TRUE(readFile(dbPath()) == book);
        struct stat st {};
        EXPECT_NE(::lstat(journal().c_str(), &st), 0);
        EXPECT_EQ(::lstat((journal() + ".not-applied").c_str(), &st), 0);
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_NE(sink.shown[0].text.find(c.named), std::string::npos) << sink.shown[0].text;
        EXPECT_NE(sink.shown[0].text.find(".not-applied"), std::string::npos);
        // The book takes changes again.
        engine->LoadContactIndex();
        EXPECT_TRUE(engine->AppendContact(recordNamed("Later")));
    }
}

TEST_F(SafetyTest, AnotherUsersJournalIsNeverApplied) {
    killedAdd(dbPath(), people(3));
    const std::string book = readFile(dbPath());
    useDatabase(dbPath());
    SharedFolder disk;
    disk.foreignPath = journal();
    ASSERT_TRUE(engine->OpenAddressBook());
    EXPECT_TRUE(readFile(dbPath()) == book);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_NE(sink.shown[0].text.find("another user"), std::string::npos);
}

TEST_F(SafetyTest, AJournalThatCannotBeRemovedAfterItsRollbackLeavesTheBookUsable) {
    killedAdd(dbPath(), people(3));
    useDatabase(dbPath());
    {
        FaultyFileSystem disk;
        disk.failAt = 3; // the removal, after the rollback's truncation and flush
        disk.persistent = true;
        ASSERT_TRUE(engine->OpenAddressBook()) << engine->openFailure().message();
        EXPECT_EQ(disk.failed, "unlink");
    }
    EXPECT_TRUE(readFile(dbPath()) == databaseWith(people(3)));
    engine->LoadContactIndex();
    ASSERT_TRUE(engine->AppendContact(recordNamed("Next")));
    std::vector<std::string> next = people(3);
    next.push_back("Next");
    EXPECT_TRUE(readFile(dbPath()) == databaseWith(next));
    EXPECT_FALSE(std::filesystem::exists(journal()));
}

TEST_F(SafetyTest, NoChangeIsMadeToABookAnotherProgramRewroteSinceItWasRead) {
    const std::vector<std::pair<const char*, std::function<Result(AddressBookEngine&)>>> changes = {
        {"delete", [](AddressBookEngine& e) { return e.DeleteContact(e.index()[2]); }},
        {"modify",
         [](AddressBookEngine& e) { return e.RewriteContact(e.index()[2], recordNamed("New")); }},
        {"add", [](AddressBookEngine& e) { return e.AppendContact(recordNamed("New")); }},
        {"import",
         [](AddressBookEngine& e) {
             bool given = false;
             return e.AppendContacts([&](ContactRecord& r) {
                 r = recordNamed("New");
                 return !std::exchange(given, true);
             });
         }},
        {"restore",
         [this](AddressBookEngine& e) { return e.RestoreBackupCopy(path("b.QuenlarkBackup")); }},
    };
    const std::vector<std::pair<const char*, std::string>> rewrites = {
        {"as long", databaseWith(people(5, "Other "))},
        {"longer", databaseWith(people(8, "Other "))},
        {"shorter", databaseWith(people(3, "Other "))},
    };
    for (const auto& [change, run] : changes)
        for (const auto& [how, bytes] : rewrites) {
            SCOPED_TRACE(std::string(change) + ", rewritten " + how);
            engine = std::make_unique<AddressBookEngine>(settings, sink, dir.string());
            writeFile(path("b.QuenlarkBackup"), databaseWith({"Backed"}));
            openAged(people(5));
            rewriteInPlace(bytes);
            const Result refused = run(*engine);
            EXPECT_EQ(refused.failure(), Failure::BookChanged) << refused.message();
            EXPECT_TRUE(readFile(dbPath()) == bytes);
            // Read again, the book takes the change.
            engine->LoadContactIndex();
            EXPECT_TRUE(run(*engine));
            EXPECT_FALSE(readFile(dbPath()) == bytes);
        }
    // Rewritten at once, in the same tick of the file system's clock: a delete or a modify
    // still never lands on another contact.
    for (const auto& [change, run] : {changes[0], changes[1]}) {
        SCOPED_TRACE(std::string(change) + " at once");
        engine = std::make_unique<AddressBookEngine>(settings, sink, dir.string());
        openWith(people(5));
        rewriteInPlace(databaseWith(people(5, "Other ")));
        EXPECT_EQ(run(*engine).failure(), Failure::BookChanged);
        EXPECT_TRUE(readFile(dbPath()) == databaseWith(people(5, "Other ")));
    }
}

TEST_F(SafetyTest, NothingIsWrittenOverTheOpenBookUnderAnyName) {
    openWith({"Ann", "Bob"});
    const std::string book = readFile(dbPath());
    std::filesystem::create_directory(dir / "sub");
    std::filesystem::create_directory_symlink(dir, dir / "linked");
    std::filesystem::create_symlink(dbPath(), path("link.qab"));
    std::filesystem::create_hard_link(dbPath(), path("hard.qab"));
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    for (const std::string& name :
         {std::string("./addressbook.qab"), path("sub/../addressbook.qab"),
          path("linked/addressbook.qab"), path("link.qab"), path("hard.qab")}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(engine->SaveBackupCopy(name).failure(), Failure::IsDatabase);
        // Reports, exports and the settings file are written this way.
        AtomicFileWriter writer;
        EXPECT_EQ(writer.open(name).failure(), Failure::IsDatabase);
    }
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(readFile(dbPath()) == book);
    // Once the book is closed, the name is free for any file.
    engine->CloseAddressBook();
    AtomicFileWriter writer;
    EXPECT_TRUE(writer.open(path("link.qab")));
}

TEST_F(SafetyTest, AnotherUsersLinkInASharedFolderIsNotFollowed) {
    struct Case {
        const char* name;
        uid_t linkOwner;
        uid_t folderOwner;
        bool followed;
    };
    const uid_t me = ::geteuid();
    const Case cases[] = {
        {"another user's link", me + 1, me + 2, false},
        {"the folder owner's link", me + 2, me + 2, true},
        {"the person's own link", me, me + 2, true},
    };
    writeFile(path("mine.txt"), "the person's file");
    std::filesystem::create_symlink(path("mine.txt"), path("report.html"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SharedFolder disk;
        disk.stickyFolders = true;
        disk.foreignPath = path("report.html");
        disk.owner = c.linkOwner;
        disk.folderOwner = c.folderOwner;
        AtomicFileWriter writer;
        const Result opened = writer.open(path("report.html"));
        EXPECT_EQ(opened.failure(), c.followed ? Failure::None : Failure::ForeignLink)
            << opened.message();
    }
    EXPECT_TRUE(readFile(path("mine.txt")) == "the person's file");
}

TEST_F(SafetyTest, FilesLargerThanABookMayBeAreRefusedAndHolesStayHoles) {
    // A header, then nothing but a hole: 4 GiB and a record.
    const auto sparse = [&](const std::string& file, std::int64_t size) {
        writeFile(file, databaseWith({}));
        std::filesystem::resize_file(file, std::uintmax_t(size));
    };
    sparse(dbPath(), kLargestBook + std::int64_t(kRecordSize));
    useDatabase(dbPath());
    EXPECT_FALSE(engine->OpenAddressBook());
    EXPECT_EQ(engine->openFailure().failure(), Failure::TooLarge);

    // A book at the limit takes no more contacts.
    sparse(dbPath(), kLargestBook);
    ASSERT_TRUE(engine->OpenAddressBook());
    EXPECT_EQ(engine->AppendContact(recordNamed("One too many")).failure(), Failure::TooLarge);

    openWith({"Ann"});
    sparse(path("huge.QuenlarkBackup"), kLargestBook + 1);
    EXPECT_EQ(engine->RestoreBackupCopy(path("huge.QuenlarkBackup")).failure(), Failure::TooLarge);
    EXPECT_TRUE(readFile(dbPath()) == databaseWith({"Ann"}));

    // A backup with a 64 MiB hole is restored without writing the hole out.
    const std::string holey = path("holey.QuenlarkBackup");
    sparse(holey, kHeaderSize + 26000 * std::int64_t(kRecordSize));
    {
        const ContactRecord last = recordNamed("Last");
        const int fd = ::open(holey.c_str(), O_WRONLY | O_APPEND);
        ASSERT_EQ(::write(fd, last.bytes.data(), kRecordSize), ssize_t(kRecordSize));
        ::close(fd);
    }
    ASSERT_TRUE(engine->RestoreBackupCopy(holey));
    EXPECT_TRUE(readFile(dbPath()) == readFile(holey));
    struct stat st {};
    ::stat(dbPath().c_str(), &st);
    EXPECT_LT(st.st_blocks * 512, 1 << 20);
    // Its records: nameless ones where the hole is, then the last one.
    ASSERT_EQ(engine->index().size(), 26001u);
    EXPECT_EQ(engine->index()[100].name, "");
    EXPECT_EQ(engine->index().back().name, "Last");

    // A file system that calls everything a hole loses nothing of a copy.
    struct AllHoles : fileio::FileSystem {
        AllHoles() { fileio::SetFileSystem(this); }
        ~AllHoles() override { fileio::SetFileSystem(nullptr); }
        off_t lseek(int fd, off_t offset, int whence) override {
            errno = ENXIO;
            return whence == SEEK_DATA ? -1 : FileSystem::lseek(fd, offset, whence);
        }
    };
    writeFile(path("full.QuenlarkBackup"), databaseWith(people(600)));
    {
        AllHoles disk;
        ASSERT_TRUE(engine->RestoreBackupCopy(path("full.QuenlarkBackup")));
        ASSERT_TRUE(engine->SaveBackupCopy(path("again.QuenlarkBackup")));
    }
    EXPECT_TRUE(readFile(dbPath()) == databaseWith(people(600)));
    EXPECT_TRUE(readFile(path("again.QuenlarkBackup")) == databaseWith(people(600)));
}
