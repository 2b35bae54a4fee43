// Telling the format, refusing bad files, and what each contact reports before it is written.
#include "interchangetesthelpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace quenlark;
using namespace quenlark::test;

namespace {

TEST(ImportDetection, TellsTheFormatFromTheContentNotTheName) {
    EXPECT_EQ(ReadAll("\r\n  \r\nBEGIN:VCARD\r\nFN:A\r\nEND:VCARD\r\n").format,
              ImportFormat::VCard);
    EXPECT_EQ(ReadAll("\xEF\xBB\xBF"
                      "begin:vcard\nfn:A\nend:vcard\n")
                  .format,
              ImportFormat::VCard);
    EXPECT_EQ(ReadAll("Name,E-mail Address\nA,a@x\n").format, ImportFormat::Csv);
}

TEST(ImportDetection, RefusesFilesThatHoldNoContacts) {
    const std::pair<std::string, Failure> bad[] = {
        {"", Failure::Empty},
        {"\r\n \t\r\n", Failure::Empty},
        {std::string("BEGIN:VCARD\r\nFN:A\0B\r\nEND:VCARD\r\n", 30), Failure::Binary},
        {std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), Failure::Binary},
        {"Hello,World\nthis,is\n", Failure::UnknownFormat},
        {"Just some words.\n", Failure::UnknownFormat},
        {"\xE9t\xE9,x\n", Failure::UnknownFormat},
        {"Name,City\n", Failure::NoContacts},
        {"Name,City\n,\n\n", Failure::NoContacts},
        {"BEGIN:VCARD\r\n", Failure::None}, // one contact, flagged as cut short
    };
    for (const auto& [text, failure] : bad) {
        const ReadResult r = ReadAll(text);
        EXPECT_EQ(r.error.failure(), failure) << testing::PrintToString(text);
        if (failure != Failure::None) {
            EXPECT_TRUE(r.contacts.empty()) << testing::PrintToString(text);
            EXPECT_FALSE(r.error.message().empty());
        }
    }
}

TEST(ImportDetection, RefusesAFileLargerThanTheCap) {
    std::string big = "Name\n";
    while (big.size() < 200000)
        big += "Someone\n";
    const ReadResult r = ReadAll(big, {100000});
    EXPECT_EQ(r.error.failure(), Failure::TooLarge);

    const auto path = std::filesystem::temp_directory_path() / "quenlark-import-cap.csv";
    std::ofstream(path, std::ios::binary) << big;
    ContactReader reader(path, {100000});
    ImportedContact c;
    EXPECT_FALSE(reader.next(c)); // refused before a single contact
    EXPECT_EQ(reader.error().failure(), Failure::TooLarge);
    std::filesystem::remove(path);

    ContactReader missing(std::filesystem::path("/nonexistent/quenlark.vcf"));
    EXPECT_FALSE(missing.next(c));
    EXPECT_EQ(missing.error().failure(), Failure::Io);
}

TEST(ImportedContacts, ReportValuesThatWillBeCut) {
    READ_ONE("Name,Website 1 - Value,Address 1 - Postal Code,Nickname\n" + std::string(300, 'n') +
                 "," + std::string(299, 'w') + "," + std::string(100, 'z') + "," +
                 std::string(254, 'k') + "\n",
             c);
    ASSERT_EQ(c.cuts.size(), 2u);
    EXPECT_EQ(c.cuts[0].field, Field::Name);
    EXPECT_EQ(c.cuts[0].length, 300u);
    EXPECT_EQ(c.cuts[0].kept, 254u);
    EXPECT_EQ(c.cuts[1].field, Field::ZipCode);
    EXPECT_EQ(c.cuts[1].length, 100u);
    EXPECT_EQ(c.cuts[1].kept, 99u);
    ContactRecord r;
    ASSERT_TRUE(FillRecord(c, r));
    EXPECT_EQ(r.text(Field::Name), std::string(254, 'n'));
    EXPECT_EQ(r.text(Field::WebSite), std::string(299, 'w'));
    EXPECT_EQ(r.text(Field::ZipCode), std::string(99, 'z'));
}

TEST(ImportedContacts, CountCharactersNotBytesWhenCutting) {
    std::string name;
    for (int i = 0; i < 255; ++i)
        name += "\xE2\x82\xAC"; // 255 euro signs, 765 UTF-8 bytes
    READ_ONE("BEGIN:VCARD\r\nFN:" + name + "\r\nEND:VCARD\r\n", c);
    ASSERT_EQ(c.cuts.size(), 1u);
    EXPECT_EQ(c.cuts[0].length, 255u);
    ContactRecord r;
    ASSERT_TRUE(FillRecord(c, r));
    EXPECT_EQ(r.text(Field::Name), std::string(254, '\x80'));
}

TEST(ImportedContacts, FlagCharactersOutsideWindows1252AndNuls) {
    const ReadResult r =
        ReadAll("BEGIN:VCARD\r\nFN:\xE6\x97\xA5\xE6\x9C\xAC Tanaka\r\n"
                "NOTE:\xF0\x9F\x98\x80 not read\r\nEMAIL:ok@x\r\nEND:VCARD\r\n"
                "BEGIN:VCARD\r\nVERSION:2.1\r\nNICKNAME;ENCODING=QUOTED-PRINTABLE:a=00b\r\n"
                "FN:Nul\r\nEND:VCARD\r\n");
    ASSERT_TRUE(r.error.ok()) << r.error.message();
    ASSERT_EQ(r.contacts.size(), 2u);
    const ImportedContact& cjk = r.contacts[0];
    EXPECT_FALSE(cjk.storable());
    ASSERT_EQ(cjk.unstorable.size(), 1u);
    EXPECT_EQ(cjk.unstorable[0].field, Field::Name);
    EXPECT_EQ(cjk.unstorable[0].text, "\xE6\x97\xA5\xE6\x9C\xAC Tanaka");
    EXPECT_EQ(cjk.value(Field::Email), "ok@x");
    ContactRecord rec;
    EXPECT_FALSE(FillRecord(cjk, rec));
    EXPECT_EQ(rec.text(Field::Email), ""); // left clear

    const ImportedContact& nul = r.contacts[1];
    ASSERT_EQ(nul.unstorable.size(), 1u);
    EXPECT_EQ(nul.unstorable[0].field, Field::Nickname);
}

TEST(ImportedContacts, MatchCountriesWithoutRegardToCase) {
    EXPECT_EQ(MatchCountry("Afghanistan"), 1);
    EXPECT_EQ(MatchCountry("ZIMBABWE"), 234);
    EXPECT_EQ(MatchCountry("  cote d'ivoire (ivory coast) "), 50);
    EXPECT_EQ(MatchCountry("Ivory Coast"), 101);
    EXPECT_EQ(MatchCountry("new zealand (wellington)"), 148);
    EXPECT_EQ(MatchCountry("(You can select a country from the list below)"), 0);
    EXPECT_EQ(MatchCountry("Atlantis"), 0);
    EXPECT_EQ(MatchCountry(""), 0);
    EXPECT_EQ(MatchCountry("Fran\xC3\xA7"
                           "e"),
              69);
}

TEST(ImportedContacts, KeepAnUnknownCountryOutAndReportIt) {
    READ_ONE("Name,Address 1 - Country\nAnn,Atlantis\n", c);
    EXPECT_EQ(c.country, 0);
    EXPECT_EQ(c.unknownCountry, "Atlantis");
    EXPECT_TRUE(c.storable());
    const auto lines = DescribeContact(c);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Atlantis"), std::string::npos);
}

TEST(ImportSummary, CountsWhatEachPassWillDo) {
    std::istringstream in("Name,Nickname,Address 1 - Country\n"
                          "Ann,,France\n" +
                          std::string(300, 'B') + ",,Atlantis\n" +
                          "\xE6\x97\xA5,,\n"
                          ",Nobody,\n");
    ContactReader reader(in);
    ImportSummary summary;
    SummaryOptions options;
    options.maxDetails = 2;
    const Result error = SummarizeImport(reader, summary, options);
    ASSERT_TRUE(error.ok()) << error.message();
    EXPECT_EQ(summary.format, ImportFormat::Csv);
    EXPECT_EQ(summary.contacts, 4u);
    EXPECT_EQ(summary.adding, 2u);
    EXPECT_EQ(summary.skipped, 1u);
    EXPECT_EQ(summary.withCuts, 1u);
    EXPECT_EQ(summary.unknownCountry, 1u);
    EXPECT_EQ(summary.withoutName, 1u);
    ASSERT_EQ(summary.details.size(), 2u);
    EXPECT_EQ(summary.detailsLeftOut, 1u);
    EXPECT_EQ(summary.details[0].rfind("Contact 2 (", 0), 0u) << summary.details[0];
    EXPECT_NE(summary.details[0].find("line 3"), std::string::npos);
    EXPECT_NE(summary.details[1].find("skipped"), std::string::npos);
}

} // namespace
