#include "enginefixture.h"

#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quenlark;
using namespace quenlark::test;

class OpenTest : public EngineTest {};

TEST_F(OpenTest, FirstOpenWritesTheDefaultPathAndNeverCreatesTheFile) {
    EXPECT_FALSE(engine->OpenAddressBook());
    EXPECT_EQ(engine->GetOpenStatus(), StatusCannotOpen);
    EXPECT_EQ(settings.strings[kActiveAddressBookValue], dir.string() + "/addressbook.qab");
    EXPECT_FALSE(std::filesystem::exists(dbPath()));
    EXPECT_FALSE(engine->isOpen());

    // A stored value is used as it is, whether or not the file exists.
    useDatabase(path("elsewhere.qab"));
    std::string active;
    ASSERT_TRUE(engine->GetActiveAddressBookPath(active));
    EXPECT_EQ(active, path("elsewhere.qab"));
}

TEST_F(OpenTest, SettingsFailureIsCannotOpen) {
    settings.failing = true;
    EXPECT_FALSE(engine->OpenAddressBook());
    EXPECT_EQ(engine->GetOpenStatus(), StatusCannotOpen);
    std::string active;
    EXPECT_EQ(engine->GetActiveAddressBookPath(active).message(), "settings unavailable");
}

TEST_F(OpenTest, EmptyOrShortFileBecomesAnEmptyAddressBook) {
    useDatabase(dbPath());
    for (const std::string& before : {std::string(), std::string(20, 'x'), std::string(35, '\0')}) {
        writeFile(dbPath(), before);
        ASSERT_TRUE(engine->OpenAddressBook());
        EXPECT_EQ(engine->GetOpenStatus(), StatusOpen);
        const auto header = MakeHeader();
        EXPECT_EQ(readFile(dbPath()), std::string(header.begin(), header.end()));
        engine->LoadContactIndex();
        EXPECT_TRUE(engine->index().empty());
    }
}

TEST_F(OpenTest, ForeignFileIsStatus7AndLeftClosedAndUnchanged) {
    useDatabase(dbPath());
    const std::string foreign = "This is a text file, not an address book at all.\n";
    writeFile(dbPath(), foreign);
    EXPECT_FALSE(engine->OpenAddressBook());
    EXPECT_EQ(engine->GetOpenStatus(), StatusNotADatabase);
    EXPECT_FALSE(engine->isOpen());
    EXPECT_EQ(readFile(dbPath()), foreign);
}

TEST_F(OpenTest, OtherVersionIsStatus8AndStaysOpenUntilClosed) {
    useDatabase(dbPath());
    std::string v3 = databaseWith({"Ann"});
    v3[32] = 3;
    writeFile(dbPath(), v3);
    EXPECT_FALSE(engine->OpenAddressBook());
    EXPECT_EQ(engine->GetOpenStatus(), StatusOtherVersion);
    EXPECT_TRUE(engine->isOpen());

    // While it is open, nobody else of ours can have it.
    AddressBookEngine other(settings, sink, dir.string());
    EXPECT_FALSE(other.OpenAddressBook());
    EXPECT_EQ(other.GetOpenStatus(), StatusCannotOpen);

    engine->CloseAddressBook();
    EXPECT_FALSE(engine->isOpen());
    EXPECT_FALSE(other.OpenAddressBook());
    EXPECT_EQ(other.GetOpenStatus(), StatusOtherVersion);
    EXPECT_EQ(readFile(dbPath()), v3);
}

TEST_F(OpenTest, ReopeningClosesTheFirstDatabaseAndItsIndex) {
    writeFile(path("a.qab"), databaseWith({"Ann", "Bob"}));
    writeFile(path("b.qab"), databaseWith({"Cy"}));
    useDatabase(path("a.qab"));
    ASSERT_TRUE(engine->OpenAddressBook());
    engine->LoadContactIndex();
    ASSERT_EQ(engine->index().size(), 2u);

    useDatabase(path("b.qab"));
    ASSERT_TRUE(engine->OpenAddressBook());
    EXPECT_FALSE(engine->hasIndex());
    // a.qab is free again.
    AddressBookEngine other(settings, sink, dir.string());
    useDatabase(path("a.qab"));
    EXPECT_TRUE(other.OpenAddressBook());
}

TEST_F(OpenTest, UnopenablePathsAreStatus1) {
    useDatabase(dir.string()); // a folder
    EXPECT_FALSE(engine->OpenAddressBook());
    EXPECT_EQ(engine->GetOpenStatus(), StatusCannotOpen);
    useDatabase("");
    EXPECT_FALSE(engine->OpenAddressBook());
    EXPECT_EQ(engine->GetOpenStatus(), StatusCannotOpen);
}

TEST_F(OpenTest, OnlyARegularFileIsADatabase) {
    // A device, a FIFO or a folder is refused at once; opening a FIFO never waits.
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(path("folder"));
    for (const std::string& name : {std::string("/dev/full"), path("fifo"), path("folder")}) {
        useDatabase(name);
        EXPECT_FALSE(engine->OpenAddressBook()) << name;
        EXPECT_EQ(engine->GetOpenStatus(), StatusCannotOpen) << name;
        EXPECT_FALSE(engine->isOpen());
    }
}

// The lock is held by another process; once that process dies, however it dies, the
// database opens again.
TEST_F(OpenTest, AnotherProcessHoldingTheDatabaseBlocksUntilItIsGone) {
    writeFile(dbPath(), databaseWith({"Ann"}));
    useDatabase(dbPath());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AddressBookEngine holder(settings, sink, dir.string());
        const char ok = holder.OpenAddressBook() ? 'y' : 'n';
        [[maybe_unused]] const ssize_t written = ::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char got = 0;
    ASSERT_EQ(::read(ready[0], &got, 1), 1);
    ASSERT_EQ(got, 'y');
    EXPECT_FALSE(engine->OpenAddressBook());
    EXPECT_EQ(engine->GetOpenStatus(), StatusCannotOpen);

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_TRUE(engine->OpenAddressBook());
}
