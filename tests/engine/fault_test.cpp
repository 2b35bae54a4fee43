// Every call that changes a file fails in turn, as a failing or full disk would make it
// fail, during each operation that writes the database: an operation that reports a
// failure leaves the database exactly as it was, one that reports success (a flush that
// failed after the change became final is only a warning) leaves it as it is after the
// change, then and after the next open, with nothing left beside it. A disk that keeps
// failing from that call on may keep the book from being put back at once; the next open
// must then find it as the outcome said.
#include "../support/faultyfs.h"
#include "enginefixture.h"

#include <algorithm>
#include <functional>
#include <set>
#include <utility>

using namespace quenlark;
using namespace quenlark::test;

namespace {

constexpr int kContacts = 1000; // more than a megabyte: block-wise copies take several steps

struct Operation {
    const char* name;
    // Runs the operation on an engine with the database open and indexed; false when it
    // reported a failure.
    std::function<bool(AddressBookEngine&, RecordingSink&, const std::string& dir)> run;
};

std::vector<std::string> manyNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back("Person " + std::to_string(i));
    return names;
}

// Compares file contents without printing megabytes when they differ.
::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected)
        return ::testing::AssertionSuccess();
    const auto at = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    return ::testing::AssertionFailure()
           << "the file holds " << actual.size() << " bytes instead of " << expected.size()
           << ", differing from byte " << (at.first - actual.begin());
}

std::set<std::string> listing(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

ContactRecord named(const std::string& name) {
    ContactRecord r;
    r.setText(Field::Name, name);
    return r;
}

const std::vector<Operation>& operations() {
    static const std::vector<Operation> ops = {
        {"add", [](AddressBookEngine& e, RecordingSink&,
                   const std::string&) { return bool(e.AppendContact(named("New"))); }},
        {"modify",
         [](AddressBookEngine& e, RecordingSink&, const std::string&) {
             return bool(e.RewriteContact(e.index()[kContacts / 2], named("Changed")));
         }},
        {"delete first",
         [](AddressBookEngine& e, RecordingSink&, const std::string&) {
             return bool(e.DeleteContact(e.index().front()));
         }},
        {"delete last", [](AddressBookEngine& e, RecordingSink&,
                           const std::string&) { return bool(e.DeleteContact(e.index().back())); }},
        {"import",
         [](AddressBookEngine& e, RecordingSink&, const std::string&) {
             int left = 600; // a few blocks of records
             return bool(e.AppendContacts([&](ContactRecord& r) {
                 if (left == 0)
                     return false;
                 r = named("Imported " + std::to_string(left--));
                 return true;
             }));
         }},
        {"batch",
         [](AddressBookEngine& e, RecordingSink&, const std::string&) {
             AddressBookEngine::Batch batch;
             batch.count = kContacts;
             batch.removals.push_back({0, e.ReadContact(e.index()[0])});
             batch.rewrites.push_back(
                 {kContacts / 2, e.ReadContact(e.index()[kContacts / 2]), named("Changed")});
             int left = 300;
             return bool(e.ApplyBatch(batch, [&](ContactRecord& r) {
                 r = named("Appended " + std::to_string(left));
                 return left-- > 0;
             }));
         }},
        {"restore",
         [](AddressBookEngine& e, RecordingSink&, const std::string& dir) {
             return bool(e.RestoreBackupCopy(dir + "/small.QuenlarkBackup"));
         }},
        {"repair",
         [](AddressBookEngine& e, RecordingSink& sink, const std::string& dir) {
             e.CloseAddressBook();
             sink.shown.clear();
             e.RepairAddressBook(dir + "/small.QuenlarkBackup");
             return sink.shown.size() == 1 && sink.shown[0].title == "Recovary complete!";
         }},
    };
    return ops;
}

// How the failing call fails.
struct Fault {
    const char* name;
    int error;
    bool shortWrites;
    bool noKernelCopy; // copies go through the block buffer (reads and writes)
    bool persistent;   // every later call fails too
};
constexpr Fault kFaults[] = {
    {"EIO", EIO, false, false, false},
    {"ENOSPC after half a write", ENOSPC, true, false, false},
    {"EIO, copied through memory", EIO, false, true, false},
    {"EIO from then on", EIO, false, false, true},
};

class ThroughMemory : public FaultyFileSystem {
public:
    bool noKernelCopy = false;
    ssize_t copyFileRange(int in, off_t* inOffset, int out, off_t* outOffset,
                          std::size_t size) override {
        if (noKernelCopy) {
            errno = EXDEV;
            return -1;
        }
        return FaultyFileSystem::copyFileRange(in, inOffset, out, outOffset, size);
    }
};

} // namespace

class FaultTest : public EngineTest {
protected:
    void prepare() {
        engine.reset();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directory(dir);
        writeFile(path("small.QuenlarkBackup"), databaseWith({"Backed", "Up"}));
        writeFile(dbPath(), databaseWith(manyNames(kContacts)));
        useDatabase(dbPath());
        engine = std::make_unique<AddressBookEngine>(settings, sink, dir.string());
        ASSERT_TRUE(engine->OpenAddressBook());
        engine->LoadContactIndex();
    }
};

class EveryFailingCall : public FaultTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(EveryFailingCall, ReportsAFailureOnlyWhenNothingChanged) {
    const std::string original = databaseWith(manyNames(kContacts));
    const Operation& op = operations()[GetParam()];
    prepare();
    ASSERT_TRUE(op.run(*engine, sink, dir.string()));
    const std::string after = readFile(dbPath());
    for (const Fault& fault : kFaults) {
        int faultsSeen = 0;
        for (int k = 1;; ++k) {
            SCOPED_TRACE(std::string(op.name) + ", " + fault.name + ", call " + std::to_string(k));
            prepare();
            const std::set<std::string> before = listing(dir);
            bool ok;
            std::string failed;
            {
                ThroughMemory fs;
                fs.failAt = k;
                fs.persistent = fault.persistent;
                fs.error = fault.error;
                fs.shortWrites = fault.shortWrites;
                fs.noKernelCopy = fault.noKernelCopy;
                ok = op.run(*engine, sink, dir.string());
                failed = fs.failed;
            }
            if (failed.empty()) {
                // Every call has been failed once; this run went through.
                EXPECT_TRUE(ok);
                EXPECT_TRUE(sameBytes(readFile(dbPath()), after));
                break;
            }
            ++faultsSeen;
            const std::string& expected = ok ? after : original;
            const std::string outcome =
                std::string(ok ? "a success" : "a failure") + " after a failed " + failed;
            if (!fault.persistent) {
                EXPECT_TRUE(sameBytes(readFile(dbPath()), expected)) << outcome;
                EXPECT_EQ(listing(dir), before) << outcome;
            }
            // The next open finds the same contacts and nothing beside them.
            engine = std::make_unique<AddressBookEngine>(settings, sink, dir.string());
            ASSERT_TRUE(engine->OpenAddressBook());
            EXPECT_TRUE(sameBytes(readFile(dbPath()), expected)) << outcome << ", reopened";
            EXPECT_EQ(listing(dir), before) << outcome << ", reopened";
            if (::testing::Test::HasFailure())
                return;
        }
        EXPECT_GE(faultsSeen, 3) << op.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, EveryFailingCall,
                         ::testing::Range(std::size_t(0), operations().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& operation) {
                             std::string name = operations()[operation.param].name;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

TEST_F(FaultTest, EveryFailingReadLeavesTheDatabaseAsItWas) {
    const std::string original = databaseWith(manyNames(kContacts));
    for (const char* name : {"delete first", "restore", "modify"}) {
        const auto& ops = operations();
        const Operation& op = *std::find_if(ops.begin(), ops.end(), [&](const Operation& o) {
            return o.name == std::string(name);
        });
        for (int k = 1;; ++k) {
            SCOPED_TRACE(std::string(name) + ", read " + std::to_string(k));
            prepare();
            bool ok;
            bool struck;
            {
                ThroughMemory fs;
                fs.noKernelCopy = true;
                fs.failReadAt = k;
                ok = op.run(*engine, sink, dir.string());
                struck = fs.struck();
            }
            if (!struck) {
                EXPECT_TRUE(ok);
                break;
            }
            // A read that failed after the change was made (the index reading the new file)
            // does not undo it; one that failed before it leaves everything as it was.
            if (!ok)
                EXPECT_TRUE(sameBytes(readFile(dbPath()), original));
            else
                EXPECT_FALSE(readFile(dbPath()) == original);
        }
    }
}

TEST_F(FaultTest, SavingABackupFailsWithoutAHalfFileOrAStrayOne) {
    for (int k = 1;; ++k) {
        SCOPED_TRACE("call " + std::to_string(k));
        prepare();
        const std::string target = path("old.QuenlarkBackup");
        writeFile(target, "an older backup");
        const std::set<std::string> before = listing(dir);
        bool ok;
        std::string failed;
        {
            ThroughMemory fs;
            fs.failAt = k;
            ok = bool(engine->SaveBackupCopy(target));
            failed = fs.failed;
        }
        EXPECT_TRUE(sameBytes(readFile(dbPath()), databaseWith(manyNames(kContacts))));
        EXPECT_EQ(listing(dir), before);
        if (failed.empty()) {
            EXPECT_TRUE(ok);
            EXPECT_TRUE(sameBytes(readFile(target), readFile(dbPath())));
            break;
        }
        // Only a failure to flush the folder after the rename leaves the new copy, whole,
        // and that is a success with a warning.
        if (ok)
            EXPECT_TRUE(sameBytes(readFile(target), readFile(dbPath()))) << failed;
        else
            EXPECT_EQ(readFile(target), "an older backup") << failed;
    }
}

TEST_F(FaultTest, AFileSystemWithoutLocksStillOpens) {
    writeFile(dbPath(), databaseWith({"Ann"}));
    useDatabase(dbPath());
    FaultyFileSystem fs;
    fs.lockError = ENOLCK;
    ASSERT_TRUE(engine->OpenAddressBook());
    EXPECT_TRUE(engine->lockingUnsupported());
    engine->LoadContactIndex();
    EXPECT_TRUE(engine->DeleteContact(engine->index()[0]));
    EXPECT_EQ(readFile(dbPath()), databaseWith({}));
}

TEST_F(FaultTest, AHeaderThatCannotBeWrittenIsAFailedOpen) {
    writeFile(dbPath(), "");
    useDatabase(dbPath());
    FaultyFileSystem fs;
    fs.failAt = 1; // the truncation
    EXPECT_FALSE(engine->OpenAddressBook());
    EXPECT_EQ(engine->openFailure().failure(), Failure::CannotInitialise);
    EXPECT_FALSE(engine->isOpen());
}

TEST_F(FaultTest, AFlushThatFailsOnceTheChangeIsMadeIsAWarning) {
    const std::vector<std::pair<const char*, std::function<Result()>>> changes = {
        {"add", [this] { return engine->AppendContact(named("New")); }},
        {"import",
         [this] {
             bool given = false;
             return engine->AppendContacts([&](ContactRecord& r) {
                 r = named("New");
                 return !std::exchange(given, true);
             });
         }},
        {"delete", [this] { return engine->DeleteContact(engine->index().front()); }},
        {"restore", [this] { return engine->RestoreBackupCopy(path("small.QuenlarkBackup")); }},
        {"backup", [this] { return engine->SaveBackupCopy(path("new.QuenlarkBackup")); }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        prepare();
        int calls = 0;
        {
            ThroughMemory fs;
            ASSERT_TRUE(change());
            calls = fs.calls;
            ASSERT_EQ(fs.names.back(), "fsync"); // the folder's, after the change became final
        }
        const std::string after = readFile(dbPath());
        prepare();
        Result outcome;
        {
            ThroughMemory fs;
            fs.failAt = calls;
            fs.persistent = true;
            outcome = change();
        }
        EXPECT_TRUE(outcome) << outcome.message();
        EXPECT_TRUE(outcome.hasWarning());
        EXPECT_TRUE(sameBytes(readFile(dbPath()), after));
    }
}
