// The sync against a collection in memory: both directions, edits, deletions and conflicts on
// either side, contacts the book cannot store, a lossless round trip of a phone's vCard, the
// guard against mass deletion and a restored older book.
#include "sync/merge.h"
#include "syncfixture.h"

#include <sys/stat.h>

using namespace quenlark;
using namespace quenlark::sync;
using namespace quenlark::sync::test;

namespace {

const Person kAnn{"Ann", "ann@example.com", "100", "Aton"};
const Person kBob{"Bob", "bob@example.com", "200", "Bton"};

std::vector<Person> people(const std::string& prefix, int count) {
    std::vector<Person> out;
    for (int i = 0; i < count; ++i)
        out.push_back({prefix + std::to_string(i), prefix + std::to_string(i) + "@example.com",
                       std::to_string(1000 + i), "City"});
    return out;
}

} // namespace

TEST_F(SyncTest, FirstSyncGoesBothWaysAndASecondHasNothingToDo) {
    writeBook({kAnn.fields(), kBob.fields()});
    const Person cid{"Cid", "cid@example.com", "", ""};
    remote.put("/dav/book/cid.vcf", CardOf(cid));
    remote.put("/dav/book/ann.vcf", CardOf(kAnn)); // already on both sides: paired, not doubled
    ASSERT_EQ(sync(), 0) << output;
    EXPECT_NE(output.find("Received: 1 new, 0 changed, 0 deleted here."), std::string::npos)
        << output;
    EXPECT_NE(output.find("Sent: 1 new, 0 changed, 0 deleted there."), std::string::npos);
    expectInStep();
    EXPECT_EQ(book().size(), 3u);
    struct stat st {};
    ASSERT_EQ(::stat(statePath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // Nothing to do: one listing, and the book is not written.
    ASSERT_EQ(::stat(bookPath.c_str(), &st), 0);
    const auto written = st.st_mtim.tv_nsec + st.st_mtim.tv_sec * 1000000000L;
    remote.requests = 0;
    ASSERT_EQ(sync(), 0) << output;
    EXPECT_EQ(remote.requests, 1);
    ASSERT_EQ(::stat(bookPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_nsec + st.st_mtim.tv_sec * 1000000000L, written);
    EXPECT_NE(output.find("Received: 0 new, 0 changed, 0 deleted here."), std::string::npos);
}

// Every kind of change on each side, and on both, in one sync.
TEST_F(SyncTest, ChangesOnEachSideMeetInOneSync) {
    const auto base = people("P", 8);
    std::vector<ContactFields> start;
    for (const Person& p : base)
        start.push_back(p.fields());
    writeBook(start);
    ASSERT_EQ(sync(), 0) << output;
    const auto card = [&](int i, const std::string& rev, auto change) {
        Person p = base[std::size_t(i)];
        change(p);
        remote.put(hrefOf(p.name), CardOf(p, rev));
    };
    rewriteInBook("P0", [](ContactFields& f) { f[Field::Phone] = "book phone"; });
    deleteFromBook("P1");
    addToBook({"New in book", "nb@example.com", "", ""});
    card(2, "20200202T000000Z", [](Person& p) { p.city = "Server city"; });
    remote.erase(hrefOf("P3"));
    remote.put("/dav/book/new.vcf", CardOf({"New on server", "", "", ""}));
    // P4: different fields on the two sides; P5 and P6 the same field (the server's change is
    // newer than the book's for P5, older for P6); P7 deleted here, changed there.
    rewriteInBook("P4", [](ContactFields& f) { f[Field::Phone] = "4 book"; });
    card(4, "20200202T000000Z", [](Person& p) { p.email = "p4@server.example"; });
    rewriteInBook("P5", [](ContactFields& f) { f[Field::Phone] = "5 book"; });
    card(5, "20990101T000000Z", [](Person& p) { p.phone = "5 server"; });
    rewriteInBook("P6", [](ContactFields& f) { f[Field::Phone] = "6 book"; });
    card(6, "20000101T000000Z", [](Person& p) { p.phone = "6 server"; });
    deleteFromBook("P7");
    card(7, "20200202T000000Z", [](Person& p) { p.city = "Kept"; });

    ASSERT_EQ(sync(), 0) << output;
    expectInStep();
    EXPECT_EQ(names(book()), (std::vector<std::string>{"New in book", "New on server", "P0", "P2",
                                                       "P4", "P5", "P6", "P7"}));
    const auto byName = [&](const std::string& name) { return book()[positionOf(name)]; };
    EXPECT_EQ(byName("P0")[Field::Phone], "book phone");
    EXPECT_EQ(byName("P2")[Field::City], "Server city");
    EXPECT_EQ(byName("P4")[Field::Phone], "4 book");
    EXPECT_EQ(byName("P4")[Field::Email], "p4@server.example");
    EXPECT_EQ(byName("P5")[Field::Phone], "5 server");
    EXPECT_EQ(byName("P6")[Field::Phone], "6 book");
    EXPECT_EQ(byName("P7")[Field::City], "Kept");
    for (const char* line :
         {"Received: 2 new, 3 changed, 1 deleted here.", "Sent: 1 new, 3 changed, 1 deleted there.",
          "2 conflicts:", "P5: the phone number \"5 book\" from the address book lost",
          "P6: the phone number \"6 server\" from the server lost"})
        EXPECT_NE(output.find(line), std::string::npos) << line << " in\n" << output;
    ASSERT_EQ(sync(), 0);
    EXPECT_NE(output.find("Received: 0 new, 0 changed, 0 deleted here."), std::string::npos);
    EXPECT_NE(output.find("Sent: 0 new, 0 changed, 0 deleted there."), std::string::npos);
}

TEST_F(SyncTest, WhatTheBookCannotStoreStaysOnTheServerUntouched) {
    writeBook({kAnn.fields()});
    ASSERT_EQ(sync(), 0);
    const std::map<std::string, std::string> foreign = {
        {"/dav/book/emoji.vcf", CardOf({"Zo\xC3\xAB \xF0\x9F\x98\x80\x1B[2J", "", "", ""})},
        {"/dav/book/long.vcf", CardOf({std::string(300, 'L'), "", "", ""})},
        {"/dav/book/broken.vcf", "BEGIN:VCARD\r\nFN:Broken\r\n"},
    };
    for (const auto& [href, card] : foreign)
        remote.put(href, card);
    // A contact the book holds that gains a character it cannot store leaves the book only.
    const std::string annHref = hrefOf("Ann");
    remote.put(annHref, CardOf({"Ann \xE2\x9C\x93", "ann@example.com", "", ""}));
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(sync(), 0) << output;
        EXPECT_TRUE(book().empty());
        EXPECT_NE(output.find("4 contacts stay on the server only:"), std::string::npos) << output;
        EXPECT_NE(
            output.find("Zo\xC3\xAB \xF0\x9F\x98\x80\xEF\xBF\xBD[2J: its name holds characters"),
            std::string::npos)
            << output;
        EXPECT_NE(output.find("is longer than the address book holds"), std::string::npos);
        EXPECT_EQ(output.find('\x1B'), std::string::npos) << "a name acts on the terminal";
        for (const auto& [href, card] : foreign)
            EXPECT_EQ(remote.cards.at(href), card);
        EXPECT_EQ(remote.cards.count(annHref), 1u);
    }
}

// A phone's vCard edited in the book goes back with everything else it held unchanged.
TEST_F(SyncTest, APhonesVCardEditedInTheBookKeepsEverythingElse) {
    const std::string card =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone-1\r\nFN:Dana Phone\r\n"
        "N:Phone;Dana;;;\r\nEMAIL;TYPE=WORK:dana@work.example\r\n"
        "EMAIL;TYPE=HOME:dana@home.example\r\nEMAIL:dana@third.example\r\n"
        "TEL;TYPE=CELL:+1 555 0100\r\nTEL;TYPE=FAX:+1 555 0102\r\n"
        "BDAY:1980-02-29\r\nNOTE:Likes tea\\nand cake\r\n"
        "CATEGORIES:Friends,Family\r\nORG:Acme\r\n"
        "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAMCAgIC\r\n"
        " AgMCAgIDAwMDBAYEBAQEBAgGBgUGCQgKCgkICQkKDA8MCgsOCwkJDRENDg8QEBEQ\r\n"
        "REV:20200101T000000Z\r\nEND:VCARD\r\n";
    remote.put("/dav/book/dana.vcf", card);
    ASSERT_EQ(sync(), 0) << output;
    rewriteInBook("Dana Phone", [](ContactFields& f) {
        f[Field::Mobile] = "+1 555 0199";
        f[Field::City] = "Springfield";
    });
    ASSERT_EQ(sync(), 0) << output;
    const std::string sent = remote.cards.at("/dav/book/dana.vcf");
    // Every line but the mobile's and REV is as it was, in the same order; the city is new.
    std::string expected = card;
    expected.replace(expected.find("TEL;TYPE=CELL:+1 555 0100"), 25, "TEL;TYPE=CELL:+1 555 0199");
    const std::size_t rev = sent.find("REV:");
    ASSERT_NE(rev, std::string::npos);
    expected.replace(expected.find("REV:20200101T000000Z"), 20, sent.substr(rev, 20));
    expected.insert(expected.find("END:VCARD"), "ADR:;;;Springfield;;;\r\n");
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(FieldsOfCard(sent), book()[0]);
}

TEST_F(SyncTest, AnEmptiedBookIsRefusedWithoutConsent) {
    std::vector<ContactFields> start;
    for (const Person& p : people("P", 6))
        start.push_back(p.fields());
    writeBook(start);
    ASSERT_EQ(sync(), 0);
    const auto cards = remote.cards;
    writeBook({});
    EXPECT_EQ(sync(), 1);
    EXPECT_NE(output.find("would delete 6 of the 6 contacts on the server"), std::string::npos)
        << output;
    EXPECT_NE(output.find("--yes"), std::string::npos);
    EXPECT_EQ(remote.cards, cards);
    EXPECT_TRUE(book().empty());
    // The same guard holds the other way round.
    remote.cards.clear();
    ASSERT_EQ(sync(true), 0) << output;
    EXPECT_TRUE(remote.cards.empty());
}

// A backup copied over the book: what was deleted since does not come back, what was added
// since is not deleted, and nothing is doubled.
TEST_F(SyncTest, ARestoredOlderBookBringsNothingBackAndLosesNothing) {
    std::vector<ContactFields> start;
    for (const Person& p : people("P", 6))
        start.push_back(p.fields());
    writeBook(start);
    ASSERT_EQ(sync(), 0);
    const auto backup = book();
    remote.erase(hrefOf("P0"));
    deleteFromBook("P1");
    rewriteInBook("P2", [](ContactFields& f) { f[Field::City] = "Changed since"; });
    remote.put("/dav/book/late.vcf", CardOf({"Added later", "", "", ""}));
    ASSERT_EQ(sync(), 0) << output;
    writeBook(backup);
    ASSERT_EQ(sync(), 0) << output;
    expectInStep();
    EXPECT_EQ(names(book()), (std::vector<std::string>{"Added later", "P2", "P3", "P4", "P5"}));
    EXPECT_NE(output.find("older copy"), std::string::npos) << output;
}

TEST(MatchBook, PairsEqualRecordsInOrderThenChangesInPlace) {
    const auto f = [](const std::string& name, const std::string& email = "") {
        return Person{name, email, "", ""}.fields();
    };
    struct Case {
        std::vector<ContactFields> last, book;
        std::vector<std::ptrdiff_t> expected;
    };
    const Case cases[] = {
        {{f("A"), f("B"), f("C")}, {f("A"), f("C")}, {0, 2}},             // a deletion
        {{f("A"), f("B")}, {f("A"), f("B"), f("N")}, {0, 1, -1}},         // an addition
        {{f("A"), f("B"), f("C")}, {f("A"), f("B2"), f("C")}, {0, 1, 2}}, // in place
        {{f("A", "a@x"), f("B"), f("C")},
         {f("A2", "a@x"), f("N"), f("C")},
         {0, 1, 2}}, // same e-mail, then in place
        {{f("A"), f("B"), f("C")}, {f("C"), f("B"), f("A")}, {2, -1, -1}}, // reordered
        {{f("A"), f("A"), f("B")}, {f("A"), f("B"), f("A")}, {0, 2, -1}},  // twins
    };
    for (const Case& c : cases) {
        std::vector<const ContactFields*> last;
        for (const ContactFields& l : c.last)
            last.push_back(&l);
        EXPECT_EQ(MatchBook(last, c.book).lastOf, c.expected);
    }
}
