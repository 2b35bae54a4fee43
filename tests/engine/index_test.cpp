#include "enginefixture.h"

#include <functional>
#include <set>

using namespace quenlark;
using namespace quenlark::test;

class IndexTest : public EngineTest {};

TEST_F(IndexTest, EntriesInFileOrderWithOffsetsAndNames) {
    openWith({"Zed", "Ann", "Zed", std::string(254, 'L')});
    ASSERT_EQ(engine->index().size(), 4u);
    EXPECT_EQ(indexNames(), (std::vector<std::string>{"Zed", "Ann", "Zed", std::string(254, 'L')}));
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(engine->index()[k].offset, std::int64_t(36 + 2444 * k));

    std::vector<std::string> list{"stale", "items"};
    EXPECT_EQ(engine->CopyContactIndex(list), 4u);
    ASSERT_EQ(list.size(), 4u);
    std::set<std::string> distinct(list.begin(), list.end());
    EXPECT_EQ(distinct.size(), 4u); // duplicates of a name still have their own handles
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(list[k].find_first_not_of("0123456789"), std::string::npos);
        EXPECT_EQ(engine->EntryFromHandle(list[k]), &engine->index()[k]);
    }
}

TEST_F(IndexTest, HandlesFromAnEarlierIndexNameNothing) {
    openWith({"Ann", "Bob"});
    std::vector<std::string> before;
    engine->CopyContactIndex(before);
    engine->LoadContactIndex();
    for (const std::string& h : before)
        EXPECT_EQ(engine->EntryFromHandle(h), nullptr) << h;
    std::vector<std::string> after;
    engine->CopyContactIndex(after);
    EXPECT_NE(engine->EntryFromHandle(after[1]), nullptr);

    for (const char* junk : {"", "-1", "0", "abc", "12a", " 1", "+5", "99999999999999999999999999",
                             "18446744073709551615"})
        EXPECT_EQ(engine->EntryFromHandle(junk), nullptr) << junk;

    engine->CloseAddressBook();
    EXPECT_EQ(engine->EntryFromHandle(after[0]), nullptr);
}

// Serials left behind by deletes (gaps) and added after them: each entry is found by its own
// serial, a deleted or unknown one finds nothing.
TEST_F(IndexTest, SerialsFindTheirEntriesAcrossGaps) {
    openWith({"Ann", "Bob", "Cy", "Dee", "Eve", "Fay"});
    const std::uint64_t first = engine->index().front().serial;
    ASSERT_TRUE(engine->DeleteContact(engine->index()[1]));
    ASSERT_TRUE(engine->DeleteContact(engine->index()[2])); // Dee, after Cy
    ASSERT_TRUE(engine->AppendContact(recordNamed("Gus")));
    EXPECT_EQ(indexNames(), (std::vector<std::string>{"Ann", "Cy", "Eve", "Fay", "Gus"}));
    for (const ContactIndexEntry& e : engine->index())
        EXPECT_EQ(engine->EntryFromSerial(e.serial), &e) << e.name;
    for (const std::uint64_t gone :
         {first + 1, first + 3, first - 1, first + 100000, std::uint64_t(0)})
        EXPECT_EQ(engine->EntryFromSerial(gone), nullptr) << gone;
}

TEST_F(IndexTest, TrailingFragmentIsNotAContactAndAppendKeepsRecordsAligned) {
    std::string bytes = databaseWith({"Ann"}) + std::string(100, 'x');
    writeFile(dbPath(), bytes);
    useDatabase(dbPath());
    ASSERT_TRUE(engine->OpenAddressBook());
    engine->LoadContactIndex();
    EXPECT_EQ(indexNames(), std::vector<std::string>{"Ann"});

    ASSERT_TRUE(engine->AppendContact(recordNamed("Bob")));
    EXPECT_EQ(readFile(dbPath()).size(), 36 + 2 * 2444u);
    engine->LoadContactIndex();
    EXPECT_EQ(indexNames(), (std::vector<std::string>{"Ann", "Bob"}));
}

TEST_F(IndexTest, ReadContactGivesTheWholeRecord) {
    openWith({"Ann", "Bob"});
    const ContactRecord r = engine->ReadContact(engine->index()[1]);
    EXPECT_EQ(r.text(Field::Name), "Bob");
    EXPECT_EQ(r.text(Field::Email), "Bob@example.com");

    // The file was cut behind the index: the part not read is zero.
    ContactIndexEntry beyond = engine->index()[1];
    beyond.offset += 2444;
    const ContactRecord none = engine->ReadContact(beyond);
    EXPECT_EQ(none.text(Field::Name), "");
}

// After each change the index is what a rebuild would give, without the rebuild; a handle
// from before names nothing, or the same contact (never another).
TEST_F(IndexTest, TheIndexFollowsEachChangeAsARebuildWould) {
    openWith({"Ann", "Bob", "Cy", "Dee", "Eve"});
    writeFile(path("backup.QuenlarkBackup"), databaseWith({"Old", "Times"}));
    using Change = std::function<bool()>;
    const std::vector<std::pair<const char*, Change>> changes = {
        {"add", [&] { return bool(engine->AppendContact(recordNamed("Fay"))); }},
        {"modify",
         [&] { return bool(engine->RewriteContact(engine->index()[1], recordNamed("Bea"))); }},
        {"delete first", [&] { return bool(engine->DeleteContact(engine->index()[0])); }},
        {"delete middle", [&] { return bool(engine->DeleteContact(engine->index()[2])); }},
        {"delete last", [&] { return bool(engine->DeleteContact(engine->index().back())); }},
        {"import",
         [&] {
             int left = 3;
             return bool(engine->AppendContacts([&](ContactRecord& r) {
                 r = recordNamed("Imported " + std::to_string(left));
                 return left-- > 0;
             }));
         }},
        {"restore", [&] { return bool(engine->RestoreBackupCopy(path("backup.QuenlarkBackup"))); }},
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        std::vector<std::string> handles;
        engine->CopyContactIndex(handles);
        std::vector<ContactRecord> contactOf;
        for (const ContactIndexEntry& e : engine->index())
            contactOf.push_back(engine->ReadContact(e));
        ASSERT_TRUE(change());

        std::vector<std::pair<std::int64_t, std::string>> followed;
        for (const ContactIndexEntry& e : engine->index())
            followed.emplace_back(e.offset, e.name);
        for (std::size_t k = 0; k < handles.size(); ++k) {
            const ContactIndexEntry* e = engine->EntryFromHandle(handles[k]);
            if (!e)
                continue;
            // The same contact: its record is the same, but for the one that was modified.
            const ContactRecord now = engine->ReadContact(*e);
            if (std::string(what) == "modify" && k == 1)
                EXPECT_EQ(now.text(Field::Name), "Bea");
            else
                EXPECT_EQ(now.bytes, contactOf[k].bytes) << "handle " << k;
        }
        engine->LoadContactIndex();
        std::vector<std::pair<std::int64_t, std::string>> rebuilt;
        for (const ContactIndexEntry& e : engine->index())
            rebuilt.emplace_back(e.offset, e.name);
        EXPECT_EQ(followed, rebuilt);
    }
    // A failed change leaves the index as it was.
    const auto before = indexNames();
    ContactIndexEntry gone = engine->index()[0];
    gone.offset = 1 << 30;
    EXPECT_FALSE(engine->DeleteContact(gone));
    EXPECT_EQ(indexNames(), before);
}

TEST_F(IndexTest, StreamingRecordsGivesThemInTheAskedOrder) {
    std::vector<std::string> names;
    for (int i = 0; i < 1200; ++i) // more than one block of neighbours
        names.push_back("P" + std::to_string(i));
    openWith(names);
    std::vector<std::int64_t> offsets;
    for (const ContactIndexEntry& e : engine->index())
        offsets.push_back(e.offset);
    const std::vector<std::int64_t> all = offsets;
    // Chosen contacts in any order: runs of neighbours, jumps back, repeats.
    offsets = {all[5], all[6], all[7], all[1100], all[0], all[0], all[1199]};
    for (const auto& order : {all, offsets}) {
        AddressBookEngine::RecordStream stream = engine->StreamContacts(order);
        ContactRecord r;
        for (const std::int64_t at : order) {
            ASSERT_TRUE(stream.next(r));
            EXPECT_EQ(r.text(Field::Name), "P" + std::to_string((at - 36) / 2444));
        }
        EXPECT_FALSE(stream.next(r));
    }
}
