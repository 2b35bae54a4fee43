#include "interchange/textcodec.h"
#include "interchange/vcardwriter.h"
#include "interchangetesthelpers.h"

#include <gtest/gtest.h>

using namespace quenlark;
using namespace quenlark::test;

namespace {

std::vector<std::string> physicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto end = text.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "text does not end with CRLF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

TEST(VCardWriter, WritesEveryFieldOfVersion3) {
    const auto r = MakeRecord({"Ann Marie Lee", "ann@example.com", "ann2@example.org", "Annie",
                               "http://ann.example", "+64 4 555", "+64 21 555", "1 Main St",
                               "Wellington", "6011"},
                              146);
    EXPECT_EQ(ToVCard(r), "BEGIN:VCARD\r\n"
                          "VERSION:3.0\r\n"
                          "FN:Ann Marie Lee\r\n"
                          "N:Lee;Ann Marie;;;\r\n"
                          "NICKNAME:Annie\r\n"
                          "EMAIL;TYPE=INTERNET:ann@example.com\r\n"
                          "EMAIL;TYPE=INTERNET:ann2@example.org\r\n"
                          "TEL;TYPE=VOICE:+64 4 555\r\n"
                          "TEL;TYPE=CELL:+64 21 555\r\n"
                          "ADR:;;1 Main St;Wellington;;6011;New Zealand\r\n"
                          "URL:http://ann.example\r\n"
                          "END:VCARD\r\n");
}

TEST(VCardWriter, Version4UsesLowerCaseTypesAndNoInternetType) {
    const auto r = MakeRecord({"Bob", "bob@x", "", "", "", "1", "2"});
    EXPECT_EQ(ToVCard(r, {VCardVersion::V4}), "BEGIN:VCARD\r\n"
                                              "VERSION:4.0\r\n"
                                              "FN:Bob\r\n"
                                              "N:;Bob;;;\r\n"
                                              "EMAIL:bob@x\r\n"
                                              "TEL;TYPE=voice:1\r\n"
                                              "TEL;TYPE=cell:2\r\n"
                                              "END:VCARD\r\n");
}

TEST(VCardWriter, EscapesTextAndEachStructuredComponent) {
    const auto r = MakeRecord(
        {"Lee\\Smith, Ann; Jr", "", "", "a,b;c", "", "", "", "Flat 1;\n2 Rd", "Town, Region"});
    const std::string card = ToVCard(r);
    EXPECT_NE(card.find("FN:Lee\\\\Smith\\, Ann\\; Jr\r\n"), std::string::npos) << card;
    // The family name is the last word; the rest is the given name.
    EXPECT_NE(card.find("N:Jr;Lee\\\\Smith\\, Ann\\;;;;\r\n"), std::string::npos) << card;
    EXPECT_NE(card.find("NICKNAME:a\\,b\\;c\r\n"), std::string::npos) << card;
    EXPECT_NE(card.find("ADR:;;Flat 1\\;\\n2 Rd;Town\\, Region;;;\r\n"), std::string::npos) << card;
}

TEST(VCardWriter, FoldsAt75OctetsWithoutSplittingACharacter) {
    // 300 characters of "é" (two UTF-8 bytes each) and "€" (three).
    const auto r = MakeRecord({std::string(254, '\xE9'), "", "", "", std::string(299, '\x80')});
    const std::string card = ToVCard(r);
    std::string unfolded;
    for (const std::string& line : physicalLines(card)) {
        EXPECT_LE(line.size(), 75u);
        EXPECT_TRUE(IsValidUtf8(line)) << "a character was split: " << line;
        if (!line.empty() && line[0] == ' ')
            unfolded += line.substr(1);
        else
            unfolded += "\n" + line;
    }
    std::string e, euro;
    for (int i = 0; i < 254; ++i)
        e += "\xC3\xA9";
    for (int i = 0; i < 299; ++i)
        euro += "\xE2\x82\xAC";
    EXPECT_NE(unfolded.find("\nFN:" + e + "\n"), std::string::npos);
    EXPECT_NE(unfolded.find("\nURL:" + euro + "\n"), std::string::npos);
}

TEST(VCardWriter, WritesOnlyChosenNonEmptyFields) {
    const auto r = MakeRecord({"Ann", "a@x", "b@x", "", "", "555", "", "", "Paris"}, 69);
    ReportFields fields;
    fields.set(ReportField::SecondEmail);
    fields.set(ReportField::Country);
    fields.set(ReportField::Nickname); // empty, so not written
    const std::string card = ToVCard(r, {VCardVersion::V3, fields});
    // FN is required even when the name is not chosen; it is then empty.
    EXPECT_EQ(card, "BEGIN:VCARD\r\n"
                    "VERSION:3.0\r\n"
                    "FN:\r\n"
                    "N:;;;;\r\n"
                    "EMAIL;TYPE=INTERNET;X-QUENLARK-SLOT=2:b@x\r\n"
                    "ADR:;;;;;;France\r\n"
                    "END:VCARD\r\n");
}

TEST(VCardWriter, WritesNoCountryForThePromptOrAnIndexOutsideTheList) {
    for (std::int32_t index : {0, -1, 235, 100000}) {
        const std::string card =
            ToVCard(MakeRecord({"X", "", "", "", "", "", "", "", "Rome"}, index));
        EXPECT_NE(card.find("ADR:;;;Rome;;;\r\n"), std::string::npos) << index << card;
    }
    EXPECT_EQ(ToVCard(MakeRecord({"X"}, 0)).find("ADR"), std::string::npos);
}

TEST(VCardWriter, StreamsOneCardAfterAnother) {
    std::ostringstream out;
    VCardWriter writer(out);
    writer.write(MakeRecord({"One"}));
    writer.write(MakeRecord({"Two"}));
    const ReadResult read = ReadAll(out.str());
    ASSERT_EQ(read.contacts.size(), 2u);
    EXPECT_EQ(read.contacts[1].value(Field::Name), "Two");
}

TEST(VCardWriter, WritesEveryLineBreakAsTheOneVCardEscape) {
    for (const char* text :
         {"Flat 2\r\n1 Long Road", "Flat 2\r1 Long Road", "Flat 2\n1 Long Road"}) {
        const std::string card = ToVCard(MakeRecord({"X", "", "", "", "", "", "", text}));
        EXPECT_NE(card.find("ADR:;;Flat 2\\n1 Long Road;;;;\r\n"), std::string::npos) << card;
        READ_ONE(card, c);
        EXPECT_EQ(c.value(Field::Address), "Flat 2\n1 Long Road");
    }
}

TEST(VCardWriter, WritesWebSitesAsUrisThatReadBackExactly) {
    const std::pair<const char*, const char*> sites[] = {
        {"http://x.example/a,b;c?d=1", "URL:http://x.example/a%2Cb%3Bc?d=1"},
        {"http://x.example/%7Euser%20a", "URL:http://x.example/%7Euser%20a"},
        {"C:\\site\nnext", "URL:C:%5Csite%0Anext"},
        {"100%2C 50%25 %%3b", "URL:100%252C 50%2525 %%253b"},
        {"%", "URL:%"},
    };
    for (const auto& [site, line] : sites) {
        for (VCardVersion version : {VCardVersion::V3, VCardVersion::V4}) {
            const std::string card = ToVCard(MakeRecord({"X", "", "", "", site}), {version});
            EXPECT_NE(card.find(std::string(line) + "\r\n"), std::string::npos) << card;
            READ_ONE(card, c);
            EXPECT_EQ(c.value(Field::WebSite), site);
        }
    }
    // Other programs' escapes and percent codes of these characters read as the characters.
    READ_ONE("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:X\r\nURL:http://x/a\\,b\\;c%2c%3B\r\nEND:VCARD\r\n",
             other);
    EXPECT_EQ(other.value(Field::WebSite), "http://x/a,b;c,;");
}

} // namespace
