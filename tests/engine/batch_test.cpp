// A batch of rewrites, removals and appends is one change: the book afterwards is exactly
// the one the batch describes, or, when the book is not the one the batch was planned on,
// exactly as it was.
#include "enginefixture.h"

using namespace quenlark;
using namespace quenlark::test;

namespace {

struct BatchCase {
    const char* name;
    std::vector<std::string> book;
    std::vector<std::pair<std::size_t, std::string>> rewrites; // position, new name
    std::vector<std::size_t> removals;
    std::vector<std::string> appends;
    std::vector<std::string> after; // empty with `refused`: the book stays as it was
    Failure refused = Failure::None;
    std::size_t count = SIZE_MAX; // the count the batch claims; the book's own by default
    std::string before = {};      // a wrong "before" of the first change
};

const BatchCase kCases[] = {
    {"everything at once",
     {"A", "B", "C", "D", "E"},
     {{1, "B2"}, {4, "E2"}},
     {0, 3},
     {"F", "G"},
     {"B2", "C", "E2", "F", "G"}},
    {"appends only", {"A"}, {}, {}, {"B", "C"}, {"A", "B", "C"}},
    {"removing every contact", {"A", "B"}, {}, {0, 1}, {}, {}},
    {"into an empty book", {}, {}, {}, {"A"}, {"A"}},
    {"nothing", {"A"}, {}, {}, {}, {"A"}},
    {"a record that changed since",
     {"A", "B"},
     {{1, "X"}},
     {},
     {},
     {},
     Failure::BookChanged,
     SIZE_MAX,
     "Someone else"},
    {"a count that changed since", {"A", "B"}, {}, {0}, {}, {}, Failure::BookChanged, 3},
    {"a position past the end", {"A"}, {{1, "X"}}, {}, {}, {}, Failure::BadArgument},
    {"one position twice", {"A", "B"}, {{0, "X"}}, {0}, {}, {}, Failure::BadArgument},
};

} // namespace

class BatchTest : public EngineTest, public ::testing::WithParamInterface<BatchCase> {};

TEST_P(BatchTest, WritesTheBookTheBatchDescribesOrNothing) {
    const BatchCase& c = GetParam();
    openWith(c.book);
    AddressBookEngine::Batch batch;
    batch.count = c.count == SIZE_MAX ? c.book.size() : c.count;
    const auto nameAt = [&](std::size_t p) { return p < c.book.size() ? c.book[p] : "none"; };
    for (const auto& [position, name] : c.rewrites)
        batch.rewrites.push_back({position, recordNamed(nameAt(position)), recordNamed(name)});
    for (std::size_t position : c.removals)
        batch.removals.push_back({position, recordNamed(nameAt(position))});
    if (!c.before.empty())
        batch.rewrites.front().before = recordNamed(c.before);
    std::size_t next = 0;
    const Result outcome = engine->ApplyBatch(batch, [&](ContactRecord& r) {
        if (next == c.appends.size())
            return false;
        r = recordNamed(c.appends[next++]);
        return true;
    });
    EXPECT_EQ(outcome.failure(), c.refused) << outcome.message();
    const std::vector<std::string>& expected = c.refused == Failure::None ? c.after : c.book;
    EXPECT_EQ(readFile(dbPath()), databaseWith(expected));
    EXPECT_EQ(indexNames(), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, BatchTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<BatchCase>& param) {
                             std::string name = param.param.name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

TEST_F(BatchTest, ABookChangedByAnotherProgramIsLeftAlone) {
    openWith({"A", "B"});
    const std::string changed = databaseWith({"A", "B", "C"});
    writeFile(dbPath(), changed);
    AddressBookEngine::Batch batch;
    batch.count = 2;
    batch.removals.push_back({0, recordNamed("A")});
    EXPECT_EQ(engine->ApplyBatch(batch).failure(), Failure::BookChanged);
    EXPECT_EQ(readFile(dbPath()), changed);
}
