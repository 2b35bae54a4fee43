// Kills a process in the middle of changing a large address book, at random moments, and
// checks that the next open finds the book exactly as it was before the change or exactly
// as it is after it, with nothing left over beside it.
//
// The moments are drawn from a seeded generator, so a failure can be repeated:
//     QUENLARK_CRASH_SEED      seed (default 20261209; the seed in use is printed)
//     QUENLARK_CRASH_CONTACTS  contacts in the book (default 20000)
//     QUENLARK_CRASH_KILLS     kills per operation (default 30)
#include "enginefixture.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace quenlark;
using namespace quenlark::test;

namespace {

long knob(const char* name, long fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::strtol(value, nullptr, 10) : fallback;
}

std::string databaseOf(int count, const std::string& prefix) {
    const auto header = MakeHeader();
    std::string bytes(header.begin(), header.end());
    bytes.reserve(bytes.size() + std::size_t(count) * kRecordSize);
    for (int i = 0; i < count; ++i) {
        ContactRecord r;
        r.setText(Field::Name, prefix + std::to_string(i));
        r.setText(Field::Email, prefix + std::to_string(i) + "@example.com");
        r.setText(Field::Address, std::string(200, char('a' + i % 26)));
        r.setCountry(i % 235);
        bytes.append(r.bytes.data(), r.bytes.size());
    }
    return bytes;
}

// A worker process running one operation; its output tells when the operation starts.
class Worker {
public:
    Worker(const std::string& op, const std::string& dir) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        const char* args[] = {QUENLARK_CRASH_WORKER, op.c_str(), dir.c_str(), nullptr};
        if (posix_spawn(&pid_, QUENLARK_CRASH_WORKER, &actions, nullptr, const_cast<char**>(args),
                        environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        fd_ = out[0];
    }
    ~Worker() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0)
            ::close(fd_);
    }
    // The next word the worker prints, or "" when it ended without one.
    std::string word() {
        std::string text;
        char c;
        while (::read(fd_, &c, 1) == 1 && c != '\n')
            text += c;
        return text;
    }
    // Waits up to `timeout` for the worker to print something.
    bool printsWithin(std::chrono::microseconds timeout) {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, int(timeout.count() / 1000)) > 0;
    }
    void kill() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    bool started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
};

struct Case {
    const char* op;
    std::string before;
    std::string after;
    bool inPlace = false;
};

::testing::AssertionResult beforeOrAfter(const std::string& bytes, const Case& c) {
    if (bytes == c.before || bytes == c.after)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the book holds " << bytes.size() << " bytes: neither the " << c.before.size()
           << " from before nor the " << c.after.size() << " from after";
}

} // namespace

class CrashTest : public EngineTest {
protected:
    // The book before the operation is kept beside the folder and copied in for each run.
    void prepare(const Case& c, const std::string& backup) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir / "out");
        writeFile(templatePath(), c.before);
        writeFile(path("backup.QuenlarkBackup"), backup);
    }
    // Restores the folder to the state before the operation. An operation that replaces the
    // book by a new file never writes the old one, so the book can be a second name of the
    // kept copy (were it written in place, the next runs would find a changed "before").
    void reset(bool inPlace) {
        std::filesystem::remove_all(dir / "out");
        std::filesystem::create_directories(dir / "out");
        std::filesystem::remove(dbPath());
        if (inPlace)
            std::filesystem::copy_file(templatePath(), dbPath());
        else
            std::filesystem::create_hard_link(templatePath(), dbPath());
        writeFile(path("out/copy.QuenlarkBackup"), "the backup from last week");
    }
    std::string templatePath() const { return dir.string() + ".template"; }
    void TearDown() override {
        std::filesystem::remove(templatePath());
        EngineTest::TearDown();
    }

    // Everything in the folder (and in out/) except the book, the backup and the copy.
    std::set<std::string> strays() const {
        std::set<std::string> found;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
            const std::string name = e.path().lexically_relative(dir).string();
            if (name != "addressbook.qab" && name != "backup.QuenlarkBackup" && name != "out" &&
                name != "out/copy.QuenlarkBackup")
                found.insert(name);
        }
        return found;
    }
};

TEST_F(CrashTest, AKilledChangeLeavesTheBookAsBeforeOrAsAfter) {
    const auto seed = std::uint32_t(knob("QUENLARK_CRASH_SEED", 20261209));
    const int contacts = int(knob("QUENLARK_CRASH_CONTACTS", 20000));
    const int kills = int(knob("QUENLARK_CRASH_KILLS", 30));
    std::cout << "crash test: seed " << seed << ", " << contacts << " contacts, " << kills
              << " kills per operation\n";
    std::mt19937 random(seed);

    const std::string book = databaseOf(contacts, "Person ");
    const std::string backup = databaseOf(contacts * 9 / 10, "Backed-up ");
    std::string modified = book;
    {
        ContactRecord changed;
        changed.setText(Field::Name, "Changed by the crash test");
        changed.setText(Field::City, "Nowhere");
        modified.replace(kHeaderSize + std::size_t(contacts / 2) * kRecordSize, kRecordSize,
                         changed.bytes.data(), kRecordSize);
    }
    std::string withoutFirst = book;
    withoutFirst.erase(kHeaderSize, kRecordSize);
    std::string batched = modified;
    batched.erase(kHeaderSize, kRecordSize);
    batched.append(modified, kHeaderSize + std::size_t(contacts / 2) * kRecordSize, kRecordSize);

    const Case cases[] = {
        {"delete-first", book, withoutFirst},
        {"batch", book, batched},
        {"restore", book, backup},
        {"repair", book, backup},
        {"modify", book, modified, true},
    };
    useDatabase(dbPath());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        // One run to the end tells how long the operation takes.
        prepare(c, backup);
        reset(c.inPlace);
        auto started = std::chrono::steady_clock::now();
        {
            Worker worker(c.op, dir.string());
            ASSERT_TRUE(worker.started());
            ASSERT_EQ(worker.word(), "go");
            started = std::chrono::steady_clock::now();
            ASSERT_EQ(worker.word(), "done");
        }
        const auto duration = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - started);
        EXPECT_TRUE(readFile(dbPath()) == c.after);

        int sawBefore = 0, sawAfter = 0;
        for (int k = 0; k < kills; ++k) {
            reset(c.inPlace);
            // Kills spread over the whole operation, and a little past its end.
            std::uniform_int_distribution<long> when(0, duration.count() * 11 / 10);
            const std::chrono::microseconds delay(when(random));
            {
                Worker worker(c.op, dir.string());
                ASSERT_TRUE(worker.started());
                ASSERT_EQ(worker.word(), "go");
                if (!worker.printsWithin(delay))
                    worker.kill();
            }
            engine = std::make_unique<AddressBookEngine>(settings, sink, dir.string());
            ASSERT_TRUE(engine->OpenAddressBook())
                << "kill " << k << " after " << delay.count() << " us";
            engine->CloseAddressBook();
            const std::string bytes = readFile(dbPath());
            ASSERT_TRUE(beforeOrAfter(bytes, c))
                << "kill " << k << " after " << delay.count() << " us (seed " << seed << ")";
            (bytes == c.before ? sawBefore : sawAfter)++;
            EXPECT_EQ(strays(), std::set<std::string>{}) << "kill " << k;
        }
        std::cout << c.op << ": " << duration.count() / 1000 << " ms; " << sawBefore
                  << " kills left it as before, " << sawAfter << " as after\n";
    }
}

// A killed backup leaves the old backup whole, or the new one whole. A copy can outlive the
// kill only in the instant between its naming and its rename; the next backup into the
// folder removes it.
TEST_F(CrashTest, AKilledBackupLeavesNoHalfFileAndNoTemporaryFile) {
    const auto seed = std::uint32_t(knob("QUENLARK_CRASH_SEED", 20261209));
    const int kills = int(knob("QUENLARK_CRASH_KILLS", 30));
    std::mt19937 random(seed);
    const Case c{"backup", databaseOf(int(knob("QUENLARK_CRASH_CONTACTS", 20000)), "P "), ""};
    useDatabase(dbPath());
    prepare(c, "");
    for (int k = 0; k < kills; ++k) {
        reset(false);
        std::uniform_int_distribution<long> when(0, 150000);
        const std::chrono::microseconds delay(when(random));
        {
            Worker worker("backup", dir.string());
            ASSERT_TRUE(worker.started());
            ASSERT_EQ(worker.word(), "go");
            if (!worker.printsWithin(delay))
                worker.kill();
        }
        const std::string copy = readFile(path("out/copy.QuenlarkBackup"));
        EXPECT_TRUE(copy == "the backup from last week" || copy == c.before) << "kill " << k;
        for (const std::string& stray : strays())
            EXPECT_EQ(stray.rfind("out/.qab-", 0), 0u) << stray;
        engine = std::make_unique<AddressBookEngine>(settings, sink, dir.string());
        ASSERT_TRUE(engine->OpenAddressBook());
        ASSERT_TRUE(engine->SaveBackupCopy(path("out/next.QuenlarkBackup")));
        engine->CloseAddressBook();
        std::filesystem::remove(path("out/next.QuenlarkBackup"));
        EXPECT_EQ(strays(), std::set<std::string>{}) << "kill " << k;
    }
}
