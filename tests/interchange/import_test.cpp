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

TEST(ImportedContacts, MatchCountriesByTheirListNamesCodesAndOtherNames) {
    const std::pair<const char*, std::int32_t> names[] = {
        {"Afghanistan", 1},
        {"ZIMBABWE", 234},
        {"  cote d'ivoire (ivory coast) ", 50},
        {"C\xC3\xB4te d\xE2\x80\x99Ivoire", 50},
        {"Ivory Coast", 101},
        {"new zealand (wellington)", 148},
        {"NZ", 146},
        {"US", 221},
        {"usa", 221},
        {"U.S.A.", 221},
        {"United States of America", 221},
        {"Deutschland", 76},
        {"DEU", 76},
        {"\xC3\x96sterreich", 14},
        {"osterreich", 14},
        {"The Netherlands", 143},
        {"Holland", 143},
        {"UK", 220},
        {"Great Britain", 220},
        {"Gambia", 73},
        {"\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1", 79},  // Ελλάδα
        {"\xD0\xA0\xD0\x9E\xD0\xA1\xD0\xA1\xD0\x98\xD0\xAF", 176}, // РОССИЯ
        {"\xE6\x97\xA5\xE6\x9C\xAC", 103},                         // 日本
        {"Guinea Bissau", 86},
        {"St. Lucia", 179},
        {"Bosnia & Herzegovina", 27},
        {"Myanmar", 34},
        {"North Macedonia", 120},
        {"Fran\xC3\xA7"
         "e",
         69},
        // No entry, or not a name: left out.
        {"NA", 0},
        {"Atlantis", 0},
        {"Timor-Leste", 0},
        {"(You can select a country from the list below)", 0},
        {"", 0},
        {"\xFF\xFE", 0},
    };
    for (const auto& [name, index] : names)
        EXPECT_EQ(MatchCountry(name), index) << name;
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

namespace {

// UTF-16 bytes of ASCII or Latin-1 text, with a surrogate pair for each "@@".
std::string utf16(std::string_view latin1, bool bigEndian, bool mark) {
    std::u16string units;
    if (mark)
        units += u'\xFEFF';
    for (std::size_t i = 0; i < latin1.size(); ++i) {
        if (latin1.substr(i, 2) == "@@") {
            units += u"\xD83D\xDE00"; // U+1F600
            ++i;
            continue;
        }
        units += char16_t(static_cast<unsigned char>(latin1[i]));
    }
    std::string bytes;
    for (char16_t u : units) {
        const char hi = char(u >> 8), lo = char(u & 0xFF);
        bytes += bigEndian ? hi : lo;
        bytes += bigEndian ? lo : hi;
    }
    return bytes;
}

} // namespace

TEST(ImportEncodings, ReadsUtf16WithAndWithoutAByteOrderMark) {
    const std::string vcard =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zo\xEB Ng\r\nNOTE:@@\r\nEMAIL:z@x\r\nEND:VCARD\r\n";
    const std::string csv = "Name,E-mail Address\r\nZo\xEB Ng,z@x\r\n";
    for (const std::string& text : {vcard, csv})
        for (bool bigEndian : {false, true})
            for (bool mark : {false, true}) {
                READ_ONE(utf16(text, bigEndian, mark), c);
                EXPECT_EQ(c.value(Field::Name), "Zo\xEB Ng") << bigEndian << mark;
                EXPECT_EQ(c.value(Field::Email), "z@x");
                EXPECT_EQ(read_one_c.encoding, TextEncoding::Utf16);
            }
    // A surrogate without its pair is no UTF-16; neither are NULs strewn anywhere.
    std::string broken = utf16(vcard, false, true);
    broken.insert(30, "\x00\xD8", 2);
    EXPECT_EQ(ReadAll(broken).error.failure(), Failure::BadEncoding);
    EXPECT_EQ(ReadAll(std::string("\x7F"
                                  "ELF\0\0\0\x01\x02",
                                  9) +
                      std::string(100, '\0'))
                  .error.failure(),
              Failure::Binary);
}

TEST(ImportEncodings, ReadsTextThatIsNotUtf8AsWindows1252AndSaysSo) {
    const std::pair<std::string, const char*> files[] = {
        // Outlook's ANSI CSV; the first row ASCII, so the reader meets the letters late.
        {"First Name,Last Name,E-mail Address,Home City\r\nAnn,Lee,a@x,Oslo\r\n"
         "Jos\xE9,M\xFCller,j@x,K\xF6ln\r\n",
         "Jos\xE9 M\xFCller"},
        // A vCard 2.1 file without CHARSET, and a quoted-printable value in it.
        {"BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Ann\r\nEND:VCARD\r\n"
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;ENCODING=QUOTED-PRINTABLE:Jos=E9 M=FCller\r\n"
         "ADR;HOME:;;Stra\xDF"
         "e 1;K\xF6ln;;;Deutschland\r\nEND:VCARD\r\n",
         "Jos\xE9 M\xFCller"},
    };
    for (const auto& [text, name] : files) {
        std::istringstream in(text);
        ContactReader reader(in);
        ImportSummary summary;
        ASSERT_TRUE(SummarizeImport(reader, summary).ok()) << reader.error().message();
        EXPECT_EQ(summary.contacts, 2u);
        EXPECT_EQ(summary.encoding, TextEncoding::Windows1252);
        EXPECT_NE(SummaryText(summary)[1].find("Windows-1252"), std::string::npos);
        // The second pass reads it the same way.
        std::istringstream again(text);
        ContactReader second(again, SecondPassOptions(summary));
        ImportedContact c;
        ASSERT_TRUE(second.next(c) && second.next(c));
        EXPECT_EQ(c.value(Field::Name), name);
        EXPECT_NE(c.value(Field::City), "");
    }
    // A file with a UTF-8 byte order mark, or with UTF-8 text before, is no Windows-1252.
    for (const std::string text :
         {"\xEF\xBB\xBFName\r\nJos\xE9\r\n", "Name\r\nZo\xC3\xAB\r\nJos\xE9\r\n"}) {
        const ReadResult r = ReadAll(text);
        EXPECT_EQ(r.error.failure(), Failure::BadEncoding) << text;
        EXPECT_NE(r.error.message().find("Line "), std::string::npos);
    }
}

TEST(ImportSummary, SkipsContactsAlreadyInTheBookOrEarlierInTheFile) {
    KnownContacts known;
    known.addFromBook(MakeRecord({"Ann", "a@x"}));
    known.addFromBook(MakeRecord({std::string(254, 'L')}));
    const std::string file = "Name,E-mail Address,Address 1 - Country\n"
                             "Ann,a@x,\n"            // in the book
                             "Ann,a@x,France\n"      // another country: another contact
                             "Bob,b@x,\n"            // new
                             "Bob,b@x,\n"            // repeated
                             "Ann,a@x,France\n" +    // repeated
                             std::string(300, 'L') + // the same once cut: in the book
                             ",,\n";
    std::istringstream in(file);
    ContactReader reader(in);
    ImportSummary summary;
    SummaryOptions options;
    options.known = &known;
    ASSERT_TRUE(SummarizeImport(reader, summary, options).ok());
    EXPECT_EQ(summary.contacts, 6u);
    EXPECT_EQ(summary.adding, 2u);
    EXPECT_EQ(summary.inBook, 2u);
    EXPECT_EQ(summary.repeated, 2u);
    EXPECT_EQ(summary.withCuts, 0u);

    // The second pass adds exactly those, the first pass's memory of the file forgotten.
    known.forgetFile();
    std::istringstream again(file);
    ContactReader second(again);
    ImportedContact c;
    ContactRecord r;
    std::vector<std::string> added;
    while (NextToAdd(second, &known, c, r))
        added.push_back(r.text(Field::Name) + "/" + std::to_string(r.country()));
    EXPECT_EQ(added, (std::vector<std::string>{"Ann/69", "Bob/0"}));
}

TEST(ImportSummary, SaysEachThingOnceInTheRightNumber) {
    ImportSummary one;
    one.contacts = one.adding = one.withCuts = one.unknownCountry = one.inBook = one.repeated =
        one.skipped = one.withoutName = 1;
    one.leftOut[std::size_t(LeftOut::Photo)] = 1;
    EXPECT_EQ(SummaryText(one),
              (std::vector<std::string>{
                  "1 of the 1 contact in the file will be added to the end of the address book.",
                  "1 of them has values longer than their fields; those values will be cut to "
                  "fit.",
                  "1 of them names a country that is not in the country list; its country is "
                  "left empty.",
                  "1 contact is already in the book and will be skipped.",
                  "1 contact repeats one earlier in the file and will be skipped.",
                  "1 contact holds characters the address book cannot store, or could not be "
                  "read whole; it will be skipped.",
                  "1 contact has no name; it will be skipped.",
                  "The address book has no place for what else the file holds: 1 photo is not "
                  "stored.",
              }));
    ImportSummary many;
    many.contacts = 9;
    many.adding = 4;
    many.inBook = many.withoutName = 2;
    many.leftOut[std::size_t(LeftOut::Email)] = 3;
    many.leftOut[std::size_t(LeftOut::Birthday)] = 2;
    many.leftOut[std::size_t(LeftOut::Photo)] = 1;
    EXPECT_EQ(SummaryText(many),
              (std::vector<std::string>{
                  "4 of the 9 contacts in the file will be added to the end of the address book.",
                  "2 contacts are already in the book and will be skipped.",
                  "2 contacts have no name; they will be skipped.",
                  "The address book has no place for what else the file holds: 3 further e-mail "
                  "addresses, 2 birthdays and 1 photo are not stored.",
              }));
}

TEST(ImportMemory, StaysBoundedForLongParameterListsAndRowsOfCells) {
    // The peak memory from here on: Linux resets it on request.
    std::ofstream clear("/proc/self/clear_refs");
    if (!(clear << "5" << std::flush))
        GTEST_SKIP() << "the peak memory of the process cannot be reset here";
    auto peakKiB = [] {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmHWM:", 0) == 0)
                return std::stol(line.substr(6));
        return 0L;
    };
    constexpr std::size_t kLine = 16u << 20;
    std::string params = "BEGIN:VCARD\r\nFN:A\r\nTEL";
    while (params.size() < kLine)
        params += ";a";
    params += ":1\r\nEND:VCARD\r\n";
    std::string commas = "Name,E-mail Address\r\n" + std::string(kLine, ',') + "x\r\n";
    std::istringstream vcardIn(std::move(params)), csvIn(std::move(commas));
    const long before = peakKiB();
    for (std::istringstream* in : {&vcardIn, &csvIn}) {
        ContactReader reader(*in);
        ImportedContact c;
        while (reader.next(c)) {
        }
        EXPECT_TRUE(reader.error().ok()) << reader.error().message();
    }
    // The line itself once, and a little more.
    EXPECT_LT(peakKiB() - before, long(kLine / 1024) * 2);
}
