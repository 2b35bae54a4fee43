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
    ASSERT_FALSE(r.error.failed()) << r.error.message;
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
    ASSERT_FALSE(r.error.failed()) << r.error.message;
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
    ASSERT_FALSE(r.error.failed()) << r.error.message;
    ASSERT_EQ(r.contacts.size(), 2u);
    EXPECT_TRUE(r.contacts[0].storable());
    EXPECT_FALSE(r.contacts[1].storable());
    EXPECT_NE(r.contacts[1].problem.find("cut short"), std::string::npos);
}

TEST(VCardReader, RefusesAFileWithAnEndWithoutBeginOrTextOutsideCards) {
    const ReadResult stray = ReadAll(card("FN:A\r\n") + "END:VCARD\r\n");
    EXPECT_EQ(stray.error.failure, ImportFailure::Malformed);
    EXPECT_NE(stray.error.message.find("Line 5"), std::string::npos) << stray.error.message;
    const ReadResult junk = ReadAll(card("FN:A\r\n") + "\r\nhello\r\n");
    EXPECT_EQ(junk.error.failure, ImportFailure::Malformed);
    EXPECT_NE(junk.error.message.find("Line 6"), std::string::npos) << junk.error.message;
}

TEST(VCardReader, RefusesInvalidUtf8WhereUtf8IsRequired) {
    const ReadResult r = ReadAll(card("FN:Good\r\n") + card("FN:Bad \xC3\x28\r\n"));
    EXPECT_EQ(r.error.failure, ImportFailure::BadEncoding);
    EXPECT_NE(r.error.message.find("Line 7"), std::string::npos) << r.error.message;
}

} // namespace
