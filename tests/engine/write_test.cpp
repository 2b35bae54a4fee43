#include "enginefixture.h"

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

using namespace quenlark;
using namespace quenlark::test;

namespace {

// Caps the size a file of this process may grow to, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    void (*oldHandler_)(int);
};

} // namespace

class WriteTest : public EngineTest {};

TEST_F(WriteTest, AppendRewriteAndDelete) {
    openWith({"Ann", "Bob", "Cy"});
    ASSERT_TRUE(engine->AppendContact(recordNamed("Dee")));
    EXPECT_EQ(indexNames(), (std::vector<std::string>{"Ann", "Bob", "Cy", "Dee"}));

    ASSERT_TRUE(engine->RewriteContact(engine->index()[1], recordNamed("Bea")));
    engine->LoadContactIndex();
    EXPECT_EQ(indexNames(), (std::vector<std::string>{"Ann", "Bea", "Cy", "Dee"}));
    EXPECT_EQ(readFile(dbPath()).size(), 36 + 4 * 2444u);

    ASSERT_TRUE(engine->DeleteContact(engine->index()[0]));
    engine->LoadContactIndex();
    EXPECT_EQ(indexNames(), (std::vector<std::string>{"Bea", "Cy", "Dee"}));
    EXPECT_EQ(engine->index()[0].offset, 36);
    EXPECT_EQ(engine->index()[1].offset, 2480);
    EXPECT_EQ(readFile(dbPath()), databaseWith({"Bea", "Cy", "Dee"}));

    ASSERT_TRUE(engine->DeleteContact(engine->index()[2]));
    ASSERT_TRUE(engine->DeleteContact(engine->index()[1])); // earlier offsets stay valid
    engine->LoadContactIndex();
    ASSERT_TRUE(engine->DeleteContact(engine->index()[0]));
    EXPECT_EQ(readFile(dbPath()).size(), 36u);
}

TEST_F(WriteTest, DeleteMovesLargeTailsIntact) {
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i) // more than one move block
        names.push_back("Person " + std::to_string(i));
    openWith(names);
    ASSERT_TRUE(engine->DeleteContact(engine->index()[1]));
    names.erase(names.begin() + 1);
    EXPECT_EQ(readFile(dbPath()), databaseWith(names));
}

TEST_F(WriteTest, WritesAgainstStaleOrBadEntriesAreRefused) {
    openWith({"Ann"});
    ContactIndexEntry past = engine->index()[0];
    past.offset = 36 + 2444;
    EXPECT_FALSE(engine->RewriteContact(past, recordNamed("X")));
    EXPECT_FALSE(engine->DeleteContact(past));
    past.offset = 0; // the header is never a record
    EXPECT_FALSE(engine->RewriteContact(past, recordNamed("X")));
    EXPECT_EQ(readFile(dbPath()), databaseWith({"Ann"}));

    engine->CloseAddressBook();
    EXPECT_FALSE(engine->AppendContact(recordNamed("X")));
}

TEST_F(WriteTest, AFullDiskIsAFailureNotASuccess) {
    openWith({"Ann"});
    const std::string before = readFile(dbPath());
    {
        FileSizeLimit limit(36 + 2444 + 1000);
        EXPECT_FALSE(engine->AppendContact(recordNamed("Bob")));
    }
    engine->LoadContactIndex();
    EXPECT_EQ(indexNames(), std::vector<std::string>{"Ann"});
}

TEST_F(WriteTest, BackupThenRestoreGivesTheSameBytes) {
    openWith({"Ann", "Bob"});
    const std::string original = readFile(dbPath());
    const std::string backup = path("copy.QuenlarkBackup");
    ASSERT_TRUE(engine->SaveBackupCopy(backup));
    EXPECT_EQ(readFile(backup), original);

    ASSERT_TRUE(engine->AppendContact(recordNamed("Cy")));
    ASSERT_TRUE(engine->RestoreBackupCopy(backup));
    EXPECT_EQ(readFile(dbPath()), original);
    EXPECT_TRUE(engine->isOpen());
    engine->LoadContactIndex();
    EXPECT_EQ(indexNames(), (std::vector<std::string>{"Ann", "Bob"}));

    // A smaller database restored from a larger backup, and the other way round.
    ASSERT_TRUE(engine->DeleteContact(engine->index()[0]));
    ASSERT_TRUE(engine->RestoreBackupCopy(backup));
    EXPECT_EQ(readFile(dbPath()), original);
}

TEST_F(WriteTest, BackupNeverLeavesAHalfFileOrOverwritesTheDatabase) {
    openWith({"Ann", "Bob"});
    const std::string original = readFile(dbPath());
    const std::string backup = path("old.QuenlarkBackup");
    writeFile(backup, "an older backup");
    {
        FileSizeLimit limit(3000);
        EXPECT_FALSE(engine->SaveBackupCopy(backup));
    }
    EXPECT_EQ(readFile(backup), "an older backup");
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_TRUE(entry.path().filename() == "addressbook.qab" ||
                    entry.path().filename() == "old.QuenlarkBackup")
            << entry.path();

    EXPECT_FALSE(engine->SaveBackupCopy(dbPath()));
    EXPECT_FALSE(engine->SaveBackupCopy(path("no-such-folder/b.QuenlarkBackup")));
    EXPECT_EQ(readFile(dbPath()), original);
}

TEST_F(WriteTest, RestoreRefusesAnythingButADatabaseAndLeavesItUntouched) {
    openWith({"Ann"});
    const std::string original = readFile(dbPath());
    writeFile(path("text.txt"), std::string(5000, 't'));
    std::string v3 = databaseWith({"Old"});
    v3[32] = 3;
    writeFile(path("v3.QuenlarkBackup"), v3);
    writeFile(path("short.QuenlarkBackup"), "Quenlark Address Book");

    for (const char* name : {"text.txt", "v3.QuenlarkBackup", "short.QuenlarkBackup", "missing"})
        EXPECT_FALSE(engine->RestoreBackupCopy(path(name))) << name;
    EXPECT_FALSE(engine->RestoreBackupCopy(dbPath())); // the open database itself
    EXPECT_EQ(readFile(dbPath()), original);
}

TEST_F(WriteTest, RestoreThatCannotGrowTheFileLeavesItUntouched) {
    openWith({"Ann"});
    const std::string original = readFile(dbPath());
    writeFile(path("big.QuenlarkBackup"), databaseWith({"A", "B", "C", "D"}));
    {
        FileSizeLimit limit(36 + 2 * 2444);
        EXPECT_FALSE(engine->RestoreBackupCopy(path("big.QuenlarkBackup")));
    }
    EXPECT_EQ(readFile(dbPath()), original);
}

TEST_F(WriteTest, RepairFromAValidBackup) {
    writeFile(dbPath(), "garbage that is certainly not an address book");
    useDatabase(dbPath());
    EXPECT_FALSE(engine->OpenAddressBook());
    ASSERT_EQ(engine->GetOpenStatus(), StatusNotADatabase);

    writeFile(path("good.QuenlarkBackup"), databaseWith({"Ann", "Bob"}));
    engine->RepairAddressBook(path("good.QuenlarkBackup"));
    EXPECT_FALSE(engine->isOpen());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].title, "Recovary complete!");
    EXPECT_EQ(sink.shown[0].text,
              "Your address book should be fixed now.  If you have problems with this please "
              "contact support@quenlark.example so I can make it better.  Thank you.");
    EXPECT_EQ(sink.shown[0].kind, MessageKind::Information);
    EXPECT_EQ(readFile(dbPath()), databaseWith({"Ann", "Bob"}));
    EXPECT_TRUE(engine->OpenAddressBook());
}

TEST_F(WriteTest, RepairFailuresLeaveTheDatabaseAsItWas) {
    const std::string garbage = "garbage that is certainly not an address book";
    writeFile(dbPath(), garbage);
    useDatabase(dbPath());
    writeFile(path("notes.txt"), "just some notes");

    for (const char* backup : {"missing.QuenlarkBackup", "notes.txt"}) {
        sink.shown.clear();
        engine->RepairAddressBook(path(backup));
        ASSERT_EQ(sink.shown.size(), 1u) << backup;
        EXPECT_EQ(sink.shown[0].title, "Recovary failed!");
        EXPECT_EQ(sink.shown[0].text, "Recovary failed.  Please reover the database manually.");
        EXPECT_EQ(sink.shown[0].kind, MessageKind::Error);
        EXPECT_FALSE(engine->isOpen());
        EXPECT_EQ(readFile(dbPath()), garbage);
    }
    // Nothing is left open: an open starts afresh.
    EXPECT_FALSE(engine->OpenAddressBook());
    EXPECT_EQ(engine->GetOpenStatus(), StatusNotADatabase);

    // A database held by another copy cannot be repaired.
    writeFile(dbPath(), databaseWith({"Ann"}));
    AddressBookEngine other(settings, sink, dir.string());
    ASSERT_TRUE(other.OpenAddressBook());
    writeFile(path("good.QuenlarkBackup"), databaseWith({"Bob"}));
    sink.shown.clear();
    engine->RepairAddressBook(path("good.QuenlarkBackup"));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].title, "Recovary failed!");
    EXPECT_EQ(readFile(dbPath()), databaseWith({"Ann"}));
}
