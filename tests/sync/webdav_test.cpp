// The pieces without a server: the multistatus parser fed in any pieces, the rules on addresses,
// the time limits from the environment.
#include "sync/httpclient.h"
#include "sync/multistatus.h"
#include "sync/webdav.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace quenlark;
using namespace quenlark::sync;

namespace {

// radicale's shape (default namespace) and xandikos's (prefixes, status before prop), with a
// 404 response, a 404 propstat, a sync token and hrefs inside a property.
constexpr char kAnswer[] =
    "<?xml version='1.0' encoding='utf-8'?>\n"
    "<multistatus xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
    "<response><href>/a/b%20c.vcf</href><propstat><prop><getetag>\"1\"</getetag>"
    "<C:address-data>BEGIN:VCARD&#13;\nFN:A &amp; B\nEND:VCARD</C:address-data></prop>"
    "<status>HTTP/1.1 200 OK</status></propstat><propstat><prop><displayname/></prop>"
    "<status>HTTP/1.1 404 Not Found</status></propstat></response>"
    "<ns0:response xmlns:ns0=\"DAV:\"><ns0:href>/gone.vcf</ns0:href>"
    "<ns0:status>HTTP/1.1 404 Not Found</ns0:status></ns0:response>"
    "<response><href>/p/</href><propstat><status>HTTP/1.1 200 OK</status><prop>"
    "<resourcetype><collection/><C:addressbook/></resourcetype>"
    "<current-user-principal><href> /p/me/ </href></current-user-principal></prop>"
    "</propstat></response>"
    "<sync-token>http://x/sync/7</sync-token></multistatus>";

std::vector<DavResponse> ParseInPieces(std::string_view text, std::size_t piece, std::string& token,
                                       Result& outcome) {
    std::vector<DavResponse> responses;
    MultistatusParser parser([&](DavResponse&& r) { responses.push_back(std::move(r)); });
    outcome = Result();
    for (std::size_t at = 0; at < text.size() && outcome; at += piece)
        outcome = parser.feed(text.substr(at, piece));
    if (outcome)
        outcome = parser.finish();
    token = parser.syncToken();
    return responses;
}

TEST(Multistatus, ReadsTheSameInPiecesOfAnySize) {
    for (std::size_t piece :
         {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{64}, sizeof kAnswer}) {
        SCOPED_TRACE(piece);
        std::string token;
        Result outcome;
        const auto responses = ParseInPieces(kAnswer, piece, token, outcome);
        ASSERT_TRUE(outcome) << outcome.message();
        ASSERT_EQ(responses.size(), 3u);
        EXPECT_EQ(responses[0].href, "/a/b%20c.vcf");
        EXPECT_EQ(responses[0].find(kDavGetEtag)->text, "\"1\"");
        EXPECT_EQ(responses[0].find(kCardAddressData)->text, "BEGIN:VCARD\r\nFN:A & B\nEND:VCARD");
        EXPECT_EQ(responses[0].find(kDavDisplayName), nullptr); // its propstat was a 404
        EXPECT_EQ(responses[1].status, 404);
        EXPECT_TRUE(responses[2].hasChild(kDavResourceType, kCardAddressBook));
        EXPECT_EQ(responses[2].find(kDavCurrentUserPrincipal)->hrefs,
                  std::vector<std::string>{"/p/me/"});
        EXPECT_EQ(token, "http://x/sync/7");
    }
}

TEST(Multistatus, CutsALongPropertyForItsResponseOnly) {
    std::string text = "<multistatus xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">";
    for (const char* href : {"/big", "/small"})
        text += std::string("<response><href>") + href + "</href><propstat><prop><C:address-data>" +
                std::string(href == std::string("/big") ? 5000 : 10, 'x') +
                "</C:address-data><displayname>" + std::string(70'000, 'n') +
                "</displayname></prop><status>HTTP/1.1 200 OK</status></propstat></response>";
    text += "</multistatus>";
    std::vector<DavResponse> responses;
    MultistatusParser parser([&](DavResponse&& r) { responses.push_back(std::move(r)); }, 1000);
    ASSERT_TRUE(parser.feed(text));
    ASSERT_TRUE(parser.finish());
    ASSERT_EQ(responses.size(), 2u);
    EXPECT_TRUE(responses[0].find(kCardAddressData)->cut);
    EXPECT_TRUE(responses[0].find(kCardAddressData)->text.empty());
    EXPECT_FALSE(responses[1].find(kCardAddressData)->cut);
    EXPECT_EQ(responses[1].find(kCardAddressData)->text.size(), 10u);
    EXPECT_TRUE(responses[1].find(kDavDisplayName)->cut); // 64 KiB for the other properties
}

TEST(Multistatus, RefusesWhatIsNotAMultistatus) {
    const std::string deep = "<multistatus xmlns=\"DAV:\">" + std::string(200 * 3, ' ');
    std::string nested = "<multistatus xmlns=\"DAV:\">";
    for (int i = 0; i < 100; ++i)
        nested += "<a>";
    const struct {
        std::string text;
        const char* says;
    } cases[] = {
        {"", "ended before"},
        {"<multistatus xmlns=\"DAV:\"><response><href>/x</href>", "ended before"},
        {"<multistatus xmlns=\"DAV:\"><response></href>", "broken XML"},
        {"<multistatus><response/></multistatus>", "not a multistatus"}, // no DAV: namespace
        {"<html/>", "not a multistatus"},
        {"<multistatus xmlns=\"DAV:\"><response><status>HTTP/1.1 404 x</status></response>"
         "</multistatus>",
         "without an href"},
        {"<!DOCTYPE x [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><x>&e;</x>", "document type"},
        {nested, "nested too deep"},
        {"<multistatus xmlns=\"DAV:\"><response a=\"" + std::string(2 << 20, 'a'), "longer than"},
        {"<multistatus xmlns=\"DAV:\"><response><href>" + std::string(9000, 'h') + "</href>",
         "too long"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        std::string token;
        Result outcome;
        ParseInPieces(c.text, 4096, token, outcome);
        EXPECT_EQ(outcome.failure(), Failure::BadResponse);
        EXPECT_NE(outcome.message().find(c.says), std::string::npos) << outcome.message();
    }
}

TEST(Addresses, PlainHttpOnlyToThisMachineOrWhenWrittenSo) {
    const struct {
        const char* url;
        const char* base;
        Failure expected;
    } cases[] = {
        {"https://cloud.example.com/remote.php/dav/", "https://cloud.example.com/", Failure::None},
        {"http://127.0.0.1:5232/", "https://cloud.example.com/", Failure::None},
        {"http://127.8.9.10/", "", Failure::None},
        {"http://localhost:8080/x", "", Failure::None},
        {"http://[::1]:8080/x", "", Failure::None},
        {"http://nas.lan:5232/", "http://nas.lan:5232/", Failure::None},
        {"http://nas.lan:5232/", "https://nas.lan:5232/", Failure::Insecure},
        {"http://nas.lan/", "http://nas.lan:5232/", Failure::Insecure},        // another port
        {"http://other.lan:5232/", "http://nas.lan:5232/", Failure::Insecure}, // another host
        {"http://127.0.0.1.evil.com/", "", Failure::Insecure},
        {"http://localhost.evil.com/", "", Failure::Insecure},
        {"ftp://example.com/", "", Failure::BadArgument},
        {"cloud.example.com", "", Failure::BadArgument},
        {"https://alice:pw@cloud.example.com/", "", Failure::BadArgument},
    };
    for (const auto& c : cases) {
        const Result result = CheckUrlAllowed(c.url, c.base);
        EXPECT_EQ(result.failure(), c.expected)
            << c.url << " for " << c.base << ": " << result.message();
    }
}

TEST(Addresses, HrefsResolveAndCompare) {
    EXPECT_EQ(ResolveUrl("https://h.example/dav/", "/alice/book/"),
              "https://h.example/alice/book/");
    EXPECT_EQ(ResolveUrl("https://h.example/dav/x/", "../y"), "https://h.example/dav/y");
    EXPECT_EQ(ResolveUrl("https://h.example/dav/", "https://o.example/z"), "https://o.example/z");
    EXPECT_EQ(HrefKey("https://h.example/a%40b/c/"), HrefKey("/a@b/c"));
    EXPECT_NE(HrefKey("/a/b"), HrefKey("/a/c"));
    EXPECT_EQ(HrefPath("https://h.example/", "https://h.example:443/a.vcf"), "/a.vcf");
    EXPECT_EQ(HrefPath("https://h.example/", "https://o.example/a.vcf"), "https://o.example/a.vcf");
    EXPECT_EQ(PercentEncoded("a b/ü.~"), "a%20b%2F%C3%BC.~");
    EXPECT_EQ(PercentDecoded(PercentEncoded("a b/ü%")), "a b/ü%");
    EXPECT_EQ(PercentDecoded("%zz%4"), "%zz%4");
    EXPECT_EQ(XmlEscaped("<a href=\"x\">&</a>"), "&lt;a href=&quot;x&quot;&gt;&amp;&lt;/a&gt;");
    EXPECT_EQ(OriginOf("HTTPS://Cloud.Example.com/dav"), "https://cloud.example.com:443");
}

TEST(Timeouts, TakenFromTheEnvironmentPartByPart) {
    const HttpTimeouts defaults;
    const struct {
        const char* text;
        long connect, stall, total;
    } cases[] = {
        {"1,2,3", 1000, 2000, 3000},
        {"0.5", 500, defaults.stallMs, defaults.totalMs},
        {",,7", defaults.connectMs, defaults.stallMs, 7000},
        {"x,-1,0", defaults.connectMs, defaults.stallMs, defaults.totalMs},
    };
    for (const auto& c : cases) {
        ::setenv("QUENLARK_SYNC_TIMEOUTS", c.text, 1);
        const HttpTimeouts read = TimeoutsFromEnvironment();
        EXPECT_EQ(read.connectMs, c.connect) << c.text;
        EXPECT_EQ(read.stallMs, c.stall) << c.text;
        EXPECT_EQ(read.totalMs, c.total) << c.text;
    }
    ::unsetenv("QUENLARK_SYNC_TIMEOUTS");
}

} // namespace
