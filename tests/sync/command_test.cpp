// --sync as a person runs it, the built program against a real server behind the fault proxy:
// each request of a sync failing in turn, a wrong password and a server that is down. A sync
// that fails says why, exits 1 and leaves the book as it was (or, past the server's last
// step, as it is after); the next sync then finishes the work without doubling anything.
#include "synctestkit.h"

#include "engine/bookreader.h"
#include "engine/codepage.h"
#include "sync/carddavbook.h"
#include "sync/contactfields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

using namespace quenlark;
using namespace quenlark::synctest;
using sync::ContactFields;
using Kind = CardDavServer::Kind;

namespace {

ContactFields personNamed(const std::string& name, const std::string& phone = "1") {
    ContactFields f;
    f[Field::Name] = name;
    f[Field::Email] = name + "@example.org";
    f[Field::Phone] = phone;
    return f;
}

void writeBook(const std::string& path, const std::vector<ContactFields>& contacts) {
    const auto header = MakeHeader();
    std::string bytes(header.begin(), header.end());
    for (const ContactFields& f : contacts) {
        const ContactRecord r = f.record();
        bytes.append(r.bytes.data(), r.bytes.size());
    }
    WriteFile(path + ".new", bytes);
    std::filesystem::rename(path + ".new", path);
}

// Each contact of the book as "name phone", sorted.
std::vector<std::string> bookContacts(const std::string& path) {
    std::vector<std::string> out;
    BookReader reader;
    EXPECT_TRUE(reader.open(path));
    ContactRecord r;
    while (reader.next(r)) {
        const ContactFields f = ContactFields::Of(r);
        out.push_back(Cp1252ToUtf8(f[Field::Name]) + " " + Cp1252ToUtf8(f[Field::Phone]));
    }
    std::sort(out.begin(), out.end());
    return out;
}

class SyncCommandTest : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override { server_ = std::make_unique<CardDavServer>(GetParam()); }

    int run(std::vector<std::string> args, std::string& output,
            const std::string& password = CardDavServer::kPassword) {
        args.insert(args.begin(), QUENLARK_PROGRAM);
        return RunCommand(args, output,
                          {"HOME=" + home_->path(), "XDG_CONFIG_HOME=" + home_->path() + "/config",
                           "XDG_DATA_HOME=" + home_->path() + "/data",
                           "QUENLARK_SYNC_PASSWORD=" + password, "DBUS_SESSION_BUS_ADDRESS=",
                           "XDG_RUNTIME_DIR=" + home_->path(), "QUENLARK_SYNC_TIMEOUTS=3,3,10"});
    }

    // A book and a server address book of their own, synced once through a new proxy, then
    // a contact added and one changed in the book, and one added on the server.
    void prepare(int round) {
        home_ = std::make_unique<TempFolder>();
        proxy_ = std::make_unique<FaultProxy>(server_->origin());
        const std::string segment = "r" + std::to_string(round);
        const std::string url =
            proxy_->url() + sync::ParseUrl(server_->makeAddressBook(segment, segment)).path;
        http_ = std::make_unique<sync::CurlHttpClient>(server_->account(proxy_->url() + "/"));
        collection_ = std::make_unique<sync::CardDavBook>(*http_, url);
        std::string etag;
        for (const char* name : {"S0", "S1"})
            ASSERT_TRUE(
                collection_->create(collection_->hrefFor(name), SampleCard(name, name), etag));
        book_ = home_->path() + "/addressbook.qab";
        std::filesystem::create_directories(home_->path() + "/config/quenlark");
        WriteFile(home_->path() + "/config/quenlark/addressbook.ini",
                  "Active Address Book=\"" + book_ + "\"\n");
        writeBook(book_, {personNamed("B0"), personNamed("B1")});
        std::string output;
        ASSERT_EQ(run({"--sync-setup", url, "--user", CardDavServer::kUser}, output), 0) << output;
        ASSERT_EQ(run({"--sync"}, output), 0) << output;
        std::vector<ContactFields> now;
        BookReader reader;
        ASSERT_TRUE(reader.open(book_));
        for (ContactRecord r; reader.next(r);)
            now.push_back(ContactFields::Of(r));
        now[0][Field::Phone] = "edited";
        now.push_back(personNamed("B2"));
        writeBook(book_, now);
        ASSERT_TRUE(collection_->create(collection_->hrefFor("S2"), SampleCard("S2", "S2"), etag));
        proxy_->reset();
    }

    // The server's contacts as "name phone", sorted (through the proxy, which then passes).
    std::vector<std::string> serverContacts() {
        sync::CollectionChanges all;
        EXPECT_TRUE(collection_->changesSince("", all));
        std::vector<std::string> hrefs, out;
        for (const sync::RemoteItem& item : all.changed)
            hrefs.push_back(item.href);
        const Result fetched = collection_->fetch(hrefs, [&](sync::RemoteCard&& card) {
            const auto value = [&](const std::string& name) {
                const auto at = card.vcard.find("\n" + name);
                if (at == std::string::npos)
                    return std::string();
                const auto from = card.vcard.find(':', at) + 1;
                return card.vcard.substr(from, card.vcard.find('\r', from) - from);
            };
            out.push_back(value("FN") + " " + value("TEL"));
        });
        EXPECT_TRUE(fetched);
        std::sort(out.begin(), out.end());
        return out;
    }

    std::unique_ptr<CardDavServer> server_;
    std::unique_ptr<TempFolder> home_;
    std::unique_ptr<FaultProxy> proxy_;
    std::unique_ptr<sync::CurlHttpClient> http_;
    std::unique_ptr<sync::CardDavBook> collection_;
    std::string book_;
};

TEST_P(SyncCommandTest, AFailedSyncChangesNothingAndTheNextFinishesTheWork) {
    // The outcome, and the requests of the sync that makes it.
    prepare(0);
    std::string output;
    ASSERT_EQ(run({"--sync"}, output), 0) << output;
    const int requests = proxy_->count();
    const auto after = bookContacts(book_);
    const std::vector<std::string> expected = {"B0 edited", "B1 1", "B2 1", "S0 ", "S1 ", "S2 "};
    ASSERT_EQ(after, expected);
    ASSERT_EQ(serverContacts(), after);

    using K = FaultAction::Kind;
    const struct {
        const char* name;
        FaultAction action;
        bool inTurn;       // each request in turn; else every request
        std::string says;  // in the output of a failed sync
        bool down = false; // no server at the address
        std::string password = CardDavServer::kPassword;
    } cases[] = {
        {"401", FaultAction::answer(401), true, "(401)"},
        {"412", FaultAction::answer(412), true, ""},
        {"500", FaultAction::answer(500), true, "(500)"},
        {"cut body", FaultAction::of(K::CutBody), true, ""},
        {"closed", FaultAction::of(K::Close), true, ""},
        {"wrong password", FaultAction::pass(), false,
         "refused the user name or the password (401)", false, "guess"},
        {"server down", FaultAction::pass(), false, "No connection to 127.0.0.1", true},
    };
#ifdef __SANITIZE_ADDRESS__
    // Several times slower here: one answer of the server and one fault of the connection.
    const std::set<std::string> inTurnHere = {"500", "cut body"};
#else
    const std::set<std::string> inTurnHere = {"401", "412", "500", "cut body", "closed"};
#endif
    int round = 0;
    for (const auto& c : cases) {
        if ((c.password != CardDavServer::kPassword && !server_->checksPasswords()) ||
            (c.inTurn && !inTurnHere.count(c.name)))
            continue;
        for (int n = 1; n <= (c.inTurn ? requests : 1); ++n) {
            SCOPED_TRACE(std::string(c.name) + " at request " + std::to_string(n));
            prepare(++round);
            const auto before = bookContacts(book_);
            if (c.inTurn)
                proxy_->setRule([&](const ProxyRequest& r) {
                    return r.index == n ? c.action : FaultAction::pass();
                });
            if (c.down)
                proxy_.reset(); // its port now refuses connections
            const int status = run({"--sync"}, output, c.password);
            const auto now = bookContacts(book_);
            if (status != 0) {
                EXPECT_EQ(status, 1) << output;
                EXPECT_NE(output.find(c.says), std::string::npos) << output;
                EXPECT_TRUE(now == before || now == expected) << output;
                EXPECT_EQ(output.find(CardDavServer::kPassword), std::string::npos);
            } else {
                EXPECT_TRUE(c.inTurn) << output;
            }
            if (c.down)
                continue;
            proxy_->setRule({});
            ASSERT_EQ(run({"--sync"}, output), 0) << output;
            EXPECT_EQ(bookContacts(book_), expected) << output;
            EXPECT_EQ(serverContacts(), expected);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, SyncCommandTest,
                         ::testing::Values(Kind::Radicale, Kind::Xandikos), [](const auto& param) {
                             return param.param == Kind::Radicale ? "Radicale" : "Xandikos";
                         });

} // namespace
