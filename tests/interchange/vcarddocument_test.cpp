// A vCard kept as written: untouched, it is given back byte for byte; a changed field
// rewrites only the property that held it.
#include "engine/codepage.h"
#include "interchange/vcarddocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace quenlark;

namespace {

// A phone's vCard: folded photo, groups, a note with escapes, a region, three addresses of
// mail and a fax, LF line ends.
constexpr char kPhoneCard[] =
    "BEGIN:VCARD\n"
    "VERSION:3.0\n"
    "PRODID:-//Phone//EN\n"
    "UID:abc-1\n"
    "N:Lee;Ann;Marie;Dr.;\n"
    "FN:Ann Lee\n"
    "ORG:Acme\\, Inc.;Sales\n"
    "item1.EMAIL;TYPE=INTERNET,PREF:ann@work.example\n"
    "item1.X-ABLabel:work\n"
    "EMAIL;TYPE=HOME:ann@home.example\n"
    "EMAIL:ann@third.example\n"
    "TEL;TYPE=CELL:+1 555 0100\n"
    "TEL;TYPE=HOME,VOICE:+1 555 0101\n"
    "TEL;TYPE=FAX:+1 555 0102\n"
    "ADR;TYPE=HOME:;;1 Main St;Springfield;IL;62701;USA\n"
    "BDAY:1980-02-29\n"
    "NOTE:Met at the fair\\, 2019\\nLikes tea\n"
    "CATEGORIES:Friends,Work\n"
    "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAMCAgICAgMCAgIDAwMD\n"
    " BAYEBAQEBAgGBgUGCQgKCgkICQkKDA8MCgsOCwkJDRENDg8QEBEQCgwSExIQEw8QEBD/\n"
    "X-SOCIALPROFILE;TYPE=twitter:https://twitter.example/ann\n"
    "REV:2020-01-01T00:00:00Z\n"
    "END:VCARD\n";

ContactRecord readRecord(const VCardDocument& doc) {
    ImportedContact contact;
    EXPECT_TRUE(doc.read(contact));
    ContactRecord r;
    FillRecord(contact, r);
    return r;
}

std::multiset<std::string> linesOf(const std::string& text) {
    std::multiset<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.insert(text.substr(start, nl - start));
    return lines;
}

std::multiset<std::string> minus(std::multiset<std::string> a,
                                 const std::multiset<std::string>& b) {
    for (const std::string& s : b)
        if (const auto it = a.find(s); it != a.end())
            a.erase(it);
    return a;
}

} // namespace

TEST(VCardDocument, UntouchedTextComesBackByteForByte) {
    const char* cards[] = {
        kPhoneCard,
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BC=\r\n"
        "ller;Jo\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Other\r\nEND:VCARD\r\nEND:VCARD\r\n",
        "\xEF\xBB\xBF\r\nBEGIN:VCARD\r\nVERSION:4.0\r\nFN:A very long name that goes on and on and "
        "on and on "
        "and\r\n  on\r\nEND:VCARD",
    };
    for (const char* text : cards) {
        VCardDocument doc;
        ASSERT_TRUE(VCardDocument::Parse(text, doc)) << text;
        EXPECT_EQ(doc.text(), text);
        doc.update(readRecord(doc), readRecord(doc)); // nothing changed: nothing rewritten
        EXPECT_EQ(doc.text(), text);
    }
}

TEST(VCardDocument, TextsThatAreNotOneVCardAreRefused) {
    for (const char* text : {"", "FN:Ann\n", "BEGIN:VCARD\nFN:Ann\n",
                             "BEGIN:VCARD\nEND:VCARD\nBEGIN:VCARD\nEND:VCARD\n", "END:VCARD\n"}) {
        VCardDocument doc;
        EXPECT_EQ(VCardDocument::Parse(text, doc).failure(), Failure::Malformed) << text;
    }
}

// Each change of the book's fields rewrites the lines that held them, and only those (and
// REV); what the card holds beside them reads back unchanged, and the card reads back as the
// book holds the contact.
TEST(VCardDocument, AChangedFieldRewritesOnlyItsOwnProperty) {
    struct Change {
        const char* what;
        Field field;
        const char* value;
        std::vector<std::string> gone; // lines replaced or removed
    };
    const Change changes[] = {
        {"name", Field::Name, "Ann Smith", {"FN:Ann Lee", "N:Lee;Ann;Marie;Dr.;"}},
        {"first e-mail",
         Field::Email,
         "ann@new.example",
         {"item1.EMAIL;TYPE=INTERNET,PREF:ann@work.example"}},
        {"second e-mail",
         Field::SecondEmail,
         "ann@new.example",
         {"EMAIL;TYPE=HOME:ann@home.example"}},
        {"phone removed, fax kept", Field::Phone, "", {"TEL;TYPE=HOME,VOICE:+1 555 0101"}},
        {"mobile", Field::Mobile, "+44 20 0000", {"TEL;TYPE=CELL:+1 555 0100"}},
        {"phone", Field::Phone, "123; 456", {"TEL;TYPE=HOME,VOICE:+1 555 0101"}},
        {"country",
         Field::ZipCode,
         "62702",
         {"ADR;TYPE=HOME:;;1 Main St;Springfield;IL;62701;USA"}},
        {"city",
         Field::City,
         "Shelbyville",
         {"ADR;TYPE=HOME:;;1 Main St;Springfield;IL;62701;USA"}},
        {"nickname added", Field::Nickname, "Annie", {}},
        {"web site added", Field::WebSite, "https://ann.example/a,b", {}},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        VCardDocument doc;
        ASSERT_TRUE(VCardDocument::Parse(kPhoneCard, doc));
        const ContactRecord before = readRecord(doc);
        ContactRecord after = before;
        after.setText(c.field, c.value);
        doc.update(before, after);
        const std::string text = doc.text();
        std::multiset<std::string> gone(c.gone.begin(), c.gone.end());
        gone.insert("REV:2020-01-01T00:00:00Z");
        EXPECT_EQ(minus(linesOf(kPhoneCard), linesOf(text)), gone);
        VCardDocument again;
        ASSERT_TRUE(VCardDocument::Parse(text, again));
        EXPECT_TRUE(SameContact(readRecord(again), after)) << text;
        // Everything the book does not hold is still there, in the same order.
        ImportedContact first, second;
        ASSERT_TRUE(doc.read(second));
        VCardDocument original;
        ASSERT_TRUE(VCardDocument::Parse(kPhoneCard, original));
        ASSERT_TRUE(original.read(first));
        for (const LeftOut kind : {LeftOut::Email, LeftOut::Fax, LeftOut::Birthday, LeftOut::Note,
                                   LeftOut::Photo, LeftOut::Category, LeftOut::Region})
            EXPECT_EQ(first.leftOut[std::size_t(kind)], second.leftOut[std::size_t(kind)]);
    }
}

TEST(VCardDocument, ANewContactIsAVCardWithAUidThatReadsBackWhole) {
    ContactRecord r;
    r.setText(Field::Name, "Zo\xEB M\xFCller");
    r.setText(Field::Email, "zoe@example.com");
    r.setText(Field::Address, "Line one\nLine two");
    r.setCountry(76);
    for (const VCardVersion version : {VCardVersion::V3, VCardVersion::V4}) {
        const std::string uid = NewVCardUid();
        EXPECT_EQ(uid.size(), 36u);
        EXPECT_NE(uid, NewVCardUid());
        const VCardDocument doc = VCardDocument::Create(r, version, uid);
        EXPECT_EQ(doc.uid(), uid);
        EXPECT_EQ(doc.version(), version);
        EXPECT_FALSE(doc.rev().empty());
        EXPECT_TRUE(SameContact(readRecord(doc), r)) << doc.text();
    }
}
