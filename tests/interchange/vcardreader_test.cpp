#include "interchangetesthelpers.h"

#include <gtest/gtest.h>

using namespace quenlark;
using namespace quenlark::test;

namespace {

std::string card(const std::string& body, const std::string& version = "3.0") {
    return "BEGIN:VCARD\r\nVERSION:" + version + "\r\n" + body + "END:VCARD\r\n";
}

TEST(VCardReader21, JoinsQuotedPrintableSoftLineBreaks) {
    READ_ONE(card("N;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;J=\r\n"
                  "=C3=BCrgen\r\n"
                  "ADR;HOME;ENCODING=QUOTED-PRINTABLE:;;Flat 2=0D=0A=\r\n"
                  "1 Long Road;Bern;;3000;Switzerland\r\n"
                  "NOTE;QUOTED-PRINTABLE:a=\r\n"
                  " b=\r\n"
                  "\r\n"
                  "TEL;CELL:079\r\n",
                  "2.1"),
             c);
    EXPECT_EQ(c.value(Field::Name), "J\xFCrgen M\xFCller");
    // The soft break inside the address keeps the encoded line break only.
    EXPECT_EQ(c.value(Field::Address), "Flat 2\n1 Long Road");
    EXPECT_EQ(c.value(Field::City), "Bern");
    EXPECT_EQ(c.value(Field::ZipCode), "3000");
    EXPECT_EQ(c.country, 203);
    // The lines after the NOTE's soft breaks are its own, not new properties.
    EXPECT_EQ(c.value(Field::Mobile), "079");
}

TEST(VCardReader21, DecodesTheNamedCharacterSets) {
    READ_ONE(card("FN;CHARSET=ISO-8859-1:Jos\xE9 \x80\r\n"
                  "NICKNAME;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:=E9t=E9\r\n"
                  "EMAIL;INTERNET;CHARSET=US-ASCII:a@b\r\n"
                  "ADR;CHARSET=windows-1252:;;\x9C;;;;\r\n"
                  "URL;CHARSET=UTF-8:http://x/\xC3\xA9\r\n",
                  "2.1"),
             c);
    // ISO-8859-1 is read as Windows-1252, so 0x80 is the euro sign.
    EXPECT_EQ(c.value(Field::Name), "Jos\xE9 \x80");
    EXPECT_EQ(c.value(Field::Nickname), "\xE9t\xE9");
    EXPECT_EQ(c.value(Field::Email), "a@b");
    EXPECT_EQ(c.value(Field::Address), "\x9C");
    EXPECT_EQ(c.value(Field::WebSite), "http://x/\xE9");
    EXPECT_TRUE(c.storable());
}

TEST(VCardReader21, FlagsAContactInACharacterSetItCannotRead) {
    const ReadResult r =
        ReadAll(card("FN;CHARSET=SHIFT_JIS:\x83\x65\r\n", "2.1") +
                card("FN;CHARSET=US-ASCII:caf\xE9\r\n", "2.1") + card("FN:Fine\r\n", "2.1"));
    ASSERT_TRUE(r.error.ok()) << r.error.message();
    ASSERT_EQ(r.contacts.size(), 3u);
    EXPECT_FALSE(r.contacts[0].storable());
    EXPECT_NE(r.contacts[0].problem.find("SHIFT_JIS"), std::string::npos);
    EXPECT_FALSE(r.contacts[1].storable());
    EXPECT_TRUE(r.contacts[2].storable());
}

TEST(VCardReader21, KeepsBackslashesThatAreNoEscapes) {
    READ_ONE(card("FN:C:\\new\\dir\r\nN:Doe\\;Jr;John;;;\r\n", "2.1"), c);
    EXPECT_EQ(c.value(Field::Name), "C:\\new\\dir");
}

TEST(VCardReader, UnfoldsLinesFoldedWithBlanksOrTabs) {
    READ_ONE(card("FN:Ann\r\n  Lee\r\nEMAIL:a\r\n\t@example.com\r\n"), c);
    EXPECT_EQ(c.value(Field::Name), "Ann Lee");
    EXPECT_EQ(c.value(Field::Email), "a@example.com");
}

// Parameters folded onto the next line, or holding a colon in quotes, are read from the
// whole line; those on the first line alone are read once.
TEST(VCardReader, ReadsParametersFoldedOrQuotedWithAColon) {
    READ_ONE(card("TEL;TYPE=VOICE:111\r\n"
                  "TEL;TYPE=\r\n CELL:222\r\n"
                  "EMAIL;X-NOTE=\"a:b\";TYPE=PREF:second@x\r\n"
                  "EMAIL;TYPE=\r\n PREF:first@x\r\n"
                  "item1.URL;VALUE=uri:http://x\r\n"),
             c);
    EXPECT_EQ(c.value(Field::Phone), "111");
    EXPECT_EQ(c.value(Field::Mobile), "222");
    EXPECT_EQ(c.value(Field::Email), "second@x");
    EXPECT_EQ(c.value(Field::SecondEmail), "first@x");
    EXPECT_EQ(c.value(Field::WebSite), "http://x");
}

TEST(VCardReader, RemovesEscapesAndSplitsComponentsOnlyAtPlainSemicolons) {
    READ_ONE(card("FN:a\\,b\\;c\\\\d\\ne\\Nf\r\n"
                  "ADR:;;1\\; 2\\, 3;Town\\\\x;;;\r\n"
                  "NICKNAME:Jim\\, Jimmy\r\n"),
             c);
    EXPECT_EQ(c.value(Field::Name), "a,b;c\\d\ne\nf");
    EXPECT_EQ(c.value(Field::Address), "1; 2, 3");
    EXPECT_EQ(c.value(Field::City), "Town\\x");
    EXPECT_EQ(c.value(Field::Nickname), "Jim, Jimmy");
}

TEST(VCardReader, AcceptsLineFeedAndCarriageReturnLineEnds) {
    for (const char* eol : {"\n", "\r"}) {
        const std::string text = std::string("BEGIN:VCARD") + eol + "VERSION:3.0" + eol + "FN:X" +
                                 eol + " Y" + eol + "END:VCARD" + eol;
        READ_ONE(text, c);
        EXPECT_EQ(c.value(Field::Name), "XY");
    }
}

TEST(VCardReader, ChoosesTheFirstTwoEmailsPreferredFirst) {
    READ_ONE(card("EMAIL;TYPE=INTERNET:one@x\r\n"
                  "EMAIL;TYPE=INTERNET,PREF:two@x\r\n"
                  "EMAIL:three@x\r\n"),
             c3);
    EXPECT_EQ(c3.value(Field::Email), "two@x");
    EXPECT_EQ(c3.value(Field::SecondEmail), "one@x");

    READ_ONE(card("EMAIL;PREF=2:b@x\r\nEMAIL:c@x\r\nEMAIL;PREF=1:a@x\r\n", "4.0"), c4);
    EXPECT_EQ(c4.value(Field::Email), "a@x");
    EXPECT_EQ(c4.value(Field::SecondEmail), "b@x");

    READ_ONE(card("EMAIL;INTERNET:a@x\r\nEMAIL;PREF;INTERNET:b@x\r\n", "2.1"), c21);
    EXPECT_EQ(c21.value(Field::Email), "b@x");
}

TEST(VCardReader, SortsTelephonesIntoPhoneAndMobile) {
    READ_ONE(card("TEL;TYPE=FAX:1\r\n"
                  "TEL;TYPE=WORK,VOICE:2\r\n"
                  "TEL;TYPE=CELL:3\r\n"
                  "TEL;TYPE=HOME:4\r\n"
                  "TEL;TYPE=CELL,PREF:5\r\n"),
             c);
    EXPECT_EQ(c.value(Field::Phone), "2");
    EXPECT_EQ(c.value(Field::Mobile), "5");

    // vCard 4.0 numbers may be tel: URIs; a second mobile stands in for a missing phone.
    READ_ONE(card("TEL;VALUE=uri;TYPE=\"cell,voice\":tel:+1-555\r\n"
                  "TEL;TYPE=cell:+1-556\r\n"
                  "TEL;TYPE=pager:9\r\n",
                  "4.0"),
             c4);
    EXPECT_EQ(c4.value(Field::Mobile), "+1-555");
    EXPECT_EQ(c4.value(Field::Phone), "+1-556");
}

TEST(VCardReader, TakesThePreferredAddressElseTheFirst) {
    READ_ONE(card("ADR;TYPE=WORK:;;Work St;Oslo;;0150;Norway\r\n"
                  "ADR;TYPE=HOME,PREF:PO Box 9;Apt 4;Home St;Bergen;Vestland;5003;NORWAY\r\n"),
             c);
    EXPECT_EQ(c.value(Field::Address), "Home St, Apt 4, PO Box 9");
    EXPECT_EQ(c.value(Field::City), "Bergen");
    EXPECT_EQ(c.value(Field::ZipCode), "5003");
    EXPECT_EQ(c.country, 159);

    READ_ONE(card("ADR:;;First;;;;\r\nADR:;;Second;;;;\r\n"), first);
    EXPECT_EQ(first.value(Field::Address), "First");
}

TEST(VCardReader, NamesTheContactFromFnThenNThenOrg) {
    READ_ONE(card("N:Lee;Ann;Marie;Dr;\r\nFN:Dr Ann Lee\r\n"), fn);
    EXPECT_EQ(fn.value(Field::Name), "Dr Ann Lee");
    READ_ONE(card("N:Lee;Ann;Marie;Dr;\r\nFN:\r\nORG:Acme\r\n"), n);
    EXPECT_EQ(n.value(Field::Name), "Ann Marie Lee");
    READ_ONE(card("N:;;;;\r\nORG:Acme Ltd;Sales\r\n"), org);
    EXPECT_EQ(org.value(Field::Name), "Acme Ltd");
    READ_ONE(card("EMAIL:x@y\r\n"), none);
    EXPECT_FALSE(none.hasName());
    EXPECT_TRUE(none.storable());
}

TEST(VCardReader, ReadsGroupedAndLowerCaseProperties) {
    READ_ONE("begin:vcard\r\nversion:3.0\r\nitem1.EMAIL;type=INTERNET:g@x\r\n"
             "item1.X-ABLabel:_$!<Other>!$_\r\nitem2.fn:Grouped\r\nend:vcard\r\n",
             c);
    EXPECT_EQ(c.value(Field::Email), "g@x");
    EXPECT_EQ(c.value(Field::Name), "Grouped");
}

TEST(VCardReader, PassesOverPhotosAgentsAndUnknownProperties) {
    READ_ONE(card("PHOTO;ENCODING=b;TYPE=JPEG:" + std::string(200000, 'A') +
                      "\r\n AAAA\r\n"
                      "X-CUSTOM;X-P=\"a:b;c\":FN:Not this\r\n"
                      "AGENT:\r\nBEGIN:VCARD\r\nFN:The agent\r\nEND:VCARD\r\n"
                      "FN:The contact\r\n",
                  "2.1"),
             c);
    EXPECT_EQ(c.value(Field::Name), "The contact");
}

TEST(VCardReader, FlagsAContactNotClosedBeforeTheNext) {
    const ReadResult r = ReadAll("BEGIN:VCARD\r\nFN:First\r\n"
                                 "BEGIN:VCARD\r\nFN:Second\r\nEND:VCARD\r\n");
    ASSERT_TRUE(r.error.ok()) << r.error.message();
    ASSERT_EQ(r.contacts.size(), 2u);
    EXPECT_EQ(r.contacts[0].value(Field::Name), "First");
    EXPECT_FALSE(r.contacts[0].storable());
    EXPECT_NE(r.contacts[0].problem.find("END:VCARD"), std::string::npos);
    EXPECT_EQ(r.contacts[1].value(Field::Name), "Second");
    EXPECT_EQ(r.contacts[1].line, 3u);
    EXPECT_TRUE(r.contacts[1].storable());
}

TEST(VCardReader, FlagsTheLastContactWhenTheFileEndsInsideIt) {
    const ReadResult r = ReadAll(card("FN:Whole\r\n") + "BEGIN:VCARD\r\nFN:Cut sh");
    ASSERT_TRUE(r.error.ok()) << r.error.message();
    ASSERT_EQ(r.contacts.size(), 2u);
    EXPECT_TRUE(r.contacts[0].storable());
    EXPECT_FALSE(r.contacts[1].storable());
    EXPECT_NE(r.contacts[1].problem.find("cut short"), std::string::npos);
}

TEST(VCardReader, RefusesAFileWithAnEndWithoutBeginOrTextOutsideCards) {
    const ReadResult stray = ReadAll(card("FN:A\r\n") + "END:VCARD\r\n");
    EXPECT_EQ(stray.error.failure(), Failure::Malformed);
    EXPECT_NE(stray.error.message().find("Line 5"), std::string::npos) << stray.error.message();
    const ReadResult junk = ReadAll(card("FN:A\r\n") + "\r\nhello\r\n");
    EXPECT_EQ(junk.error.failure(), Failure::Malformed);
    EXPECT_NE(junk.error.message().find("Line 6"), std::string::npos) << junk.error.message();
}

TEST(VCardReader, RefusesTextThatIsNotUtf8WhereUtf8IsSureOrMixedWithIt) {
    // UTF-8 text before it: the file mixes two encodings.
    const ReadResult mixed = ReadAll(card("FN:Zo\xC3\xAB\r\n") + card("FN:Bad \xC3\x28\r\n"));
    EXPECT_EQ(mixed.error.failure(), Failure::BadEncoding);
    EXPECT_NE(mixed.error.message().find("Line 7"), std::string::npos) << mixed.error.message();
    // A value that names UTF-8 as its character set.
    const ReadResult named = ReadAll(card("FN;CHARSET=UTF-8:Bad \xE9\r\n", "2.1"));
    EXPECT_EQ(named.error.failure(), Failure::BadEncoding);
    // A file that says it is UTF-8 by its byte order mark.
    const ReadResult marked = ReadAll("\xEF\xBB\xBF" + card("FN:Jos\xE9\r\n"));
    EXPECT_EQ(marked.error.failure(), Failure::BadEncoding);
}

TEST(VCardReader, CountsWhatTheRecordHasNoFieldFor) {
    const std::pair<std::string, const char*> cards[] = {
        {"EMAIL:1@x\r\nEMAIL:2@x\r\nEMAIL:3@x\r\nEMAIL;TYPE=PREF:4@x\r\n",
         "2 further e-mail addresses"},
        {"TEL;TYPE=FAX:1\r\nTEL;TYPE=CELL:2\r\nTEL:3\r\nTEL;TYPE=CELL:4\r\nTEL;TYPE=PAGER:5\r\n",
         "2 further phone numbers and 1 fax number"},
        {"ADR:;;1 Road;Town;Region;9;\r\nADR;TYPE=WORK:;;2 Street;;;;\r\nADR:;;;;;;\r\n",
         "1 further address and 1 region"},
        {"URL:http://a\r\nURL:http://b\r\nNICKNAME:A\r\nNICKNAME:B\r\nORG:Acme\r\n",
         "1 further web site, 1 organization and 1 other detail"},
        {"BDAY:2000-01-01\r\nNOTE:x\r\nNOTE:\r\nCATEGORIES:a,b\\,c,myContacts\r\n"
         "PHOTO;ENCODING=b;TYPE=JPEG:AAAA\r\nX-SPOUSE:y\r\nTITLE:Boss\r\n",
         "1 birthday, 1 note, 2 categories, 1 photo and 2 other details"},
        // What only describes the card is not the contact's.
        {"UID:1\r\nREV:2\r\nPRODID:-//x\r\nX-EVOLUTION-FILE-AS:A\r\nitem1.X-ABLabel:x\r\n"
         "KIND:individual\r\n",
         ""},
        {"AGENT:\r\nBEGIN:VCARD\r\nFN:Agent\r\nEND:VCARD\r\n", "1 other detail"},
    };
    for (const auto& [body, leftOut] : cards) {
        READ_ONE(card("FN:Ann\r\n" + body), c);
        EXPECT_EQ(ListLeftOut(c.leftOut), leftOut) << body;
        EXPECT_EQ(c.value(Field::Name), "Ann");
    }
    // ORG is the name of a contact without one, and then not left out.
    READ_ONE(card("ORG:Acme;Sales\r\nN:;;;;\r\n"), company);
    EXPECT_EQ(company.value(Field::Name), "Acme");
    EXPECT_EQ(ListLeftOut(company.leftOut), "");
}

TEST(VCardReader, ReadsLinesOfAnyLengthAndLeavesOutValuesTooLongToRead) {
    // A photo on one line of 20 MB, and a name past the longest value read.
    const std::string photo = "PHOTO;ENCODING=b;TYPE=JPEG:" + std::string(20'000'000, 'A') + "\r\n";
    const std::string longName = "FN:" + std::string(kMaxValueBytes + 10, 'n') + "\r\n";
    const ReadResult r = ReadAll(card(photo + "FN:Ann\r\nEMAIL:a@x\r\n") +
                                 card(longName + "N:Lee;Bo\r\nEMAIL:b@x\r\n"));
    ASSERT_TRUE(r.error.ok()) << r.error.message();
    ASSERT_EQ(r.contacts.size(), 2u);
    EXPECT_EQ(r.contacts[0].value(Field::Name), "Ann");
    EXPECT_EQ(r.contacts[0].value(Field::Email), "a@x");
    EXPECT_EQ(ListLeftOut(r.contacts[0].leftOut), "1 photo");
    EXPECT_EQ(r.contacts[1].value(Field::Name), "Bo Lee");
    EXPECT_EQ(r.contacts[1].value(Field::Email), "b@x");
    EXPECT_EQ(ListLeftOut(r.contacts[1].leftOut), "1 value longer than 32 MiB");
    EXPECT_EQ(r.contacts[1].line, 7u);
}

TEST(VCardReader, DecodesLongQuotedPrintableValuesWithTheirLineBreaks) {
    // Soft line breaks every 76 characters and encoded line breaks throughout.
    std::string value, expected;
    for (int i = 0; i < 20000; ++i) {
        value += "Line " + std::to_string(i) + " =C3=A9=0D=0A=\r\n";
        expected += "Line " + std::to_string(i) + " \xE9\n";
    }
    READ_ONE(card("FN:Q\r\nADR;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:;;" + value + "\r\n", "2.1"),
             c);
    EXPECT_EQ(c.value(Field::Address), expected.substr(0, maxLength(Field::Address)));
    ASSERT_EQ(c.cuts.size(), 1u);
    EXPECT_EQ(c.cuts[0].length, expected.size());
}

} // namespace
