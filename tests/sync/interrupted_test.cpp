// A sync cut short, by a failing request or a kill at any moment, leaves both sides
// consistent, and the next sync finishes the work without doubling or losing anything.
//
// The kill test's size and moments come from the environment, so a failure can be repeated
// and a long run made:
//     QUENLARK_SYNC_KILL_SEED      seed (default 20261209; printed)
//     QUENLARK_SYNC_KILL_CONTACTS  new contacts on each side (default 150)
//     QUENLARK_SYNC_KILLS          kills (default 6)
#include "foldercollection.h"
#include "syncfixture.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace quenlark;
using namespace quenlark::sync;
using namespace quenlark::sync::test;

namespace {

long knob(const char* name, long fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::strtol(value, nullptr, 10) : fallback;
}

std::vector<ContactFields> fieldsOf(const std::vector<Person>& people) {
    std::vector<ContactFields> out;
    for (const Person& p : people)
        out.push_back(p.fields());
    return out;
}

std::vector<Person> people(const std::string& prefix, long count) {
    std::vector<Person> out;
    for (long i = 0; i < count; ++i)
        out.push_back({prefix + std::to_string(i), prefix + std::to_string(i) + "@example.com",
                       std::to_string(i), ""});
    return out;
}

} // namespace

class InterruptedSync : public SyncTest {
protected:
    // Five contacts synced, then a change of every kind on both sides.
    void prepare() {
        std::filesystem::remove_all(dir / "config");
        remote = MemoryCollection();
        remote.batch = 2;
        writeBook(fieldsOf(people("P", 5)));
        ASSERT_EQ(sync(), 0) << output;
        rewriteInBook("P0", [](ContactFields& f) { f[Field::Phone] = "changed here"; });
        deleteFromBook("P1");
        addToBook({"Book one", "", "", ""});
        addToBook({"Book two", "", "", ""});
        remote.put(hrefOf("P2"), CardOf({"P2", "P2@example.com", "2", "Changed there"}));
        remote.erase(hrefOf("P3"));
        remote.put("/dav/book/s1.vcf", CardOf({"Server one", "", "", ""}));
        remote.put("/dav/book/s2.vcf", CardOf({"Server two", "", "", ""}));
        remote.requests = 0;
    }
};

TEST_F(InterruptedSync, EveryRequestFailingInTurnIsFinishedByTheNextSync) {
    prepare();
    ASSERT_EQ(sync(), 0) << output;
    const auto wantBook = sorted(book());
    const auto wantServer = sorted(server());
    ASSERT_EQ(wantBook, wantServer);
    using Fault = MemoryCollection::Fault;
    for (const Fault fault : {Fault::Refused, Fault::AnswerLost, Fault::Precondition}) {
        int n = 1;
        for (;; ++n) {
            SCOPED_TRACE("fault " + std::to_string(int(fault)) + " at request " +
                         std::to_string(n));
            prepare();
            const auto before = sorted(book());
            remote.failAt = n;
            remote.fault = fault;
            const int first = sync();
            const bool struck = remote.requests >= n;
            remote.failAt = 0;
            if (first != 0) {
                EXPECT_EQ(sorted(book()), before) << "a failed sync changed the book";
            }
            ASSERT_EQ(sync(), 0) << output;
            EXPECT_EQ(sorted(book()), wantBook);
            EXPECT_EQ(sorted(server()), wantServer);
            if (!struck || HasFailure())
                break;
        }
        EXPECT_GE(n, 8) << "fewer requests than the changes need";
    }
}

// A worker process syncing, killed at a random moment, several times over; then one sync to
// the end.
TEST_F(InterruptedSync, AKilledLargeSyncIsFinishedByTheNextWithoutDoubles) {
    const auto seed = std::uint32_t(knob("QUENLARK_SYNC_KILL_SEED", 20261209));
    const long count = knob("QUENLARK_SYNC_KILL_CONTACTS", 150);
    const long kills = knob("QUENLARK_SYNC_KILLS", 6);
    std::cout << "kill test: seed " << seed << ", " << count << " contacts on each side, " << kills
              << " kills\n";
    std::mt19937 random(seed);
    const auto folder = dir / "server";
    std::filesystem::create_directories(folder);
    FolderCollection collection(folder);
    const auto syncWith = [&] {
        std::ostringstream out, err;
        const int status = RunSync(collection, {bookPath, statePath, "folder", true}, out, err);
        output = out.str() + err.str();
        return status;
    };
    writeBook(fieldsOf(people("P", 10)));
    ASSERT_EQ(syncWith(), 0) << output;
    // Many new contacts on both sides, and a change on each.
    rewriteInBook("P0", [](ContactFields& f) { f[Field::Phone] = "changed here"; });
    editBook([&](AddressBookEngine& e) {
        for (const Person& p : people("Book ", count))
            ASSERT_TRUE(e.AppendContact(p.fields().record()));
    });
    for (const auto& f : std::filesystem::directory_iterator(folder)) {
        const std::string card = FolderCollection::Read(f.path());
        if (card.find("FN:P1\r\n") != std::string::npos) {
            const auto at = card.find("END:VCARD");
            std::ofstream(f.path(), std::ios::binary)
                << card.substr(0, at) + "ADR:;;;Changed there;;;\r\n" + card.substr(at);
        }
    }
    for (const Person& p : people("Server ", count))
        std::ofstream(folder / (p.name.substr(7) + ".vcf"), std::ios::binary) << CardOf(p);

    // The starting point is kept, and each kill starts from it again.
    const auto keep = dir / "template";
    const std::vector<std::string> parts = {"addressbook.qab", "config", "server"};
    std::filesystem::create_directories(keep);
    for (const std::string& part : parts)
        std::filesystem::copy(dir / part, keep / part, std::filesystem::copy_options::recursive);
    const auto restart = [&] {
        for (const std::string& part : parts) {
            std::filesystem::remove_all(dir / part);
            std::filesystem::copy(keep / part, dir / part,
                                  std::filesystem::copy_options::recursive);
        }
    };
    // Runs the worker, killed after `delay` unless it ends first; how long it ran.
    const auto runWorker = [&](std::chrono::milliseconds delay) {
        int pipeFds[2];
        EXPECT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        const std::string pause = "200";
        const std::string folderText = folder.string();
        const char* args[] = {QUENLARK_SYNC_WORKER, bookPath.c_str(), statePath.c_str(),
                              folderText.c_str(),   pause.c_str(),    nullptr};
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, QUENLARK_SYNC_WORKER, &actions, nullptr,
                              const_cast<char**>(args), environ),
                  0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        char word[3] = {};
        EXPECT_EQ(::read(pipeFds[0], word, 3), 3); // "go\n"
        const auto started = std::chrono::steady_clock::now();
        pollfd p{pipeFds[0], POLLIN, 0};
        if (::poll(&p, 1, int(delay.count())) == 0)
            ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ::close(pipeFds[0]);
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - started);
    };
    const auto whole = runWorker(std::chrono::milliseconds(60000));
    std::cout << "a whole sync takes " << whole.count() << " ms\n";
    std::uniform_int_distribution<long> when(0, whole.count() * 11 / 10);
    const auto check = [&] {
        ASSERT_EQ(syncWith(), 0) << output;
        ASSERT_EQ(syncWith(), 0) << output;
        EXPECT_NE(output.find("Received: 0 new, 0 changed, 0 deleted here."), std::string::npos)
            << output;
        EXPECT_NE(output.find("Sent: 0 new, 0 changed, 0 deleted there."), std::string::npos);
        const auto inBook = book();
        std::vector<ContactFields> onServer;
        for (const auto& f : std::filesystem::directory_iterator(folder))
            if (f.path().extension() == ".vcf")
                onServer.push_back(*FieldsOfCard(FolderCollection::Read(f.path())));
        EXPECT_EQ(sorted(inBook), sorted(onServer));
        EXPECT_EQ(inBook.size(), std::size_t(10 + 2 * count)) << "a contact is doubled or lost";
        auto n = names(inBook);
        EXPECT_EQ(std::adjacent_find(n.begin(), n.end()), n.end()) << "a contact is doubled";
        EXPECT_EQ(inBook[positionOf("P0")][Field::Phone], "changed here");
        EXPECT_EQ(inBook[positionOf("P1")][Field::City], "Changed there");
    };
    check();
    for (long k = 0; k < kills && !HasFailure(); ++k) {
        restart();
        const std::chrono::milliseconds delay(when(random));
        const bool killed = runWorker(delay) >= delay;
        std::cout << (killed ? "killed after " : "finished within ") << delay.count() << " ms\n";
        SCOPED_TRACE("kill after " + std::to_string(delay.count()) + " ms");
        check();
    }
}
