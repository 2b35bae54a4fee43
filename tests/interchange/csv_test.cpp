#include "interchange/csvformat.h"
#include "interchange/csvreader.h"
#include "interchange/csvwriter.h"
#include "interchangetesthelpers.h"

#include <gtest/gtest.h>

using namespace quenlark;
using namespace quenlark::test;

namespace {

std::string exportCsv(const std::vector<ContactRecord>& records, CsvOptions options = {}) {
    std::ostringstream out;
    CsvWriter writer(out, options);
    for (const auto& r : records)
        writer.write(r);
    return out.str();
}

TEST(CsvWriter, WritesGoogleContactsColumnsAfterAByteOrderMark) {
    const auto r = MakeRecord({"Ann Lee", "a@x", "b@x", "Annie", "http://a", "+64 4", "021",
                               "1 Main St", "Wellington", "6011"},
                              146);
    EXPECT_EQ(exportCsv({r}),
              "\xEF\xBB\xBF"
              "Name,Nickname,E-mail 1 - Type,E-mail 1 - Value,E-mail 2 - Type,E-mail 2 - Value,"
              "Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,Address 1 - Type,"
              "Address 1 - Street,Address 1 - City,Address 1 - Postal Code,Address 1 - Country,"
              "Website 1 - Type,Website 1 - Value\r\n"
              "Ann Lee,Annie,* Other,a@x,Other,b@x,Other,+64 4,Mobile,021,Other,1 Main St,"
              "Wellington,6011,New Zealand,Home Page,http://a\r\n");
}

TEST(CsvWriter, WritesColumnsOnlyForChosenFieldsAndLabelsOnlyFilledValues) {
    ReportFields fields;
    fields.set(ReportField::Name);
    fields.set(ReportField::Mobile);
    fields.set(ReportField::Country);
    CsvOptions options{fields, false};
    EXPECT_EQ(exportCsv({MakeRecord({"A", "", "", "", "", "1", ""}, 0),
                         MakeRecord({"B", "", "", "", "", "", "2", "Street"}, 69)},
                        options),
              "Name,Phone 2 - Type,Phone 2 - Value,Address 1 - Type,Address 1 - Country\r\n"
              "A,,,,\r\n"
              "B,Mobile,2,Other,France\r\n");
}

TEST(CsvWriter, QuotesAndGuardsCellsButSparesPhoneNumbersAndEmailAddresses) {
    const std::pair<const char*, const char*> cells[] = {
        {"plain", "plain"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"\r\n", "\"'\r\n\""},
        // Formulas, and what only looks like a phone number or an e-mail address.
        {"=1+1", "'=1+1"},
        {"@x", "'@x"},
        {"\tt", "'\tt"},
        {"+", "'+"},
        {"-2+3*SUM(A1)", "'-2+3*SUM(A1)"},
        {"+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0"},
        {"=x@example.com", "'=x@example.com"},
        {"-a|b@example.com", "'-a|b@example.com"},
        {"@example.com", "'@example.com"},
        {"-ann@localhost", "'-ann@localhost"},
        // Apostrophes the import would otherwise take off.
        {"'=x", "''=x"},
        {"''", "'''"},
        {"'+49 1", "''+49 1"},
        {"'a", "'a"},
        // Phone numbers and e-mail addresses go as they are.
        {"+49 89 1234567", "+49 89 1234567"},
        {"+1 (555) 010-9999", "+1 (555) 010-9999"},
        {"-5", "-5"},
        {"+44.20/7946", "+44.20/7946"},
        {"-ann@example.com", "-ann@example.com"},
        {"+tag_1%x@mail.example.co.uk", "+tag_1%x@mail.example.co.uk"},
    };
    for (const auto& [value, cell] : cells) {
        std::string out;
        AppendCsvCell(out, value);
        EXPECT_EQ(out, cell) << testing::PrintToString(value);
        // The import reads the value back exactly.
        READ_ONE("Nickname,Name\n" + out + ",x\n", c);
        EXPECT_EQ(c.value(Field::Nickname), value);
    }
}

TEST(CsvGuard, RemovesOnlyTheApostropheOfAGuard) {
    for (const std::string v : {"'=x", "'+1", "''", "'''a", "'\t"}) {
        std::string cell = v;
        UnguardCsvCell(cell);
        EXPECT_EQ(cell, v.substr(1));
    }
    for (const std::string v : {"'", "'a", "a'=", "", "=x"}) {
        std::string cell = v;
        UnguardCsvCell(cell);
        EXPECT_EQ(cell, v);
    }
}

TEST(CsvReader, ReadsAGoogleContactsExport) {
    READ_ONE("Name,Given Name,Family Name,Nickname,Group Membership,E-mail 1 - Type,"
             "E-mail 1 - Value,E-mail 2 - Type,E-mail 2 - Value,Phone 1 - Type,Phone 1 - Value,"
             "Phone 2 - Type,Phone 2 - Value,Phone 3 - Type,Phone 3 - Value,Address 1 - Type,"
             "Address 1 - Formatted,Address 1 - Street,Address 1 - City,Address 1 - PO Box,"
             "Address 1 - Region,Address 1 - Postal Code,Address 1 - Country,"
             "Address 1 - Extended Address,Organization 1 - Name,Website 1 - Type,"
             "Website 1 - Value\n"
             "Zoë Ng,Zoë,Ng,Zo,* myContacts,* Home,zoe@home.example,Work,zoe@work.example,"
             "Work Fax,1,Home,+44 20 7946,Mobile,+44 7700,Home,\"10 Downing St\nLondon\","
             "10 Downing St,London,,Greater London,SW1A 2AA,united kingdom,,Gov,Profile,"
             "http://zoe.example\n",
             c);
    EXPECT_EQ(c.value(Field::Name), "Zo\xEB Ng");
    EXPECT_EQ(c.value(Field::Nickname), "Zo");
    EXPECT_EQ(c.value(Field::Email), "zoe@home.example");
    EXPECT_EQ(c.value(Field::SecondEmail), "zoe@work.example");
    EXPECT_EQ(c.value(Field::Phone), "+44 20 7946");
    EXPECT_EQ(c.value(Field::Mobile), "+44 7700");
    EXPECT_EQ(c.value(Field::Address), "10 Downing St");
    EXPECT_EQ(c.value(Field::City), "London");
    EXPECT_EQ(c.value(Field::ZipCode), "SW1A 2AA");
    EXPECT_EQ(c.country, 220);
    EXPECT_EQ(c.value(Field::WebSite), "http://zoe.example");
}

TEST(CsvReader, ReadsAnOutlookExport) {
    READ_ONE("\"First Name\",\"Middle Name\",\"Last Name\",\"Title\",\"Company\","
             "\"Business Street\",\"Business City\",\"Business Postal Code\","
             "\"Business Country/Region\",\"Home Street\",\"Home Street 2\",\"Home City\","
             "\"Home State\",\"Home Postal Code\",\"Home Country/Region\",\"Business Phone\","
             "\"Home Phone\",\"Mobile Phone\",\"E-mail Address\",\"E-mail Type\","
             "\"E-mail 2 Address\",\"E-mail 3 Address\",\"Nickname\",\"Web Page\"\r\n"
             "\"Jean\",\"Luc\",\"Picard\",\"Capt.\",\"Starfleet\",\"1 Fleet Rd\","
             "\"San Francisco\",\"94016\",\"United States\",\"12 Rue\",\"Apt 3\",\"La Barre\","
             "\"\",\"21000\",\"France\",\"555-0100\",\"555-0199\",\"555-0123\","
             "\"jl@sf.example\",\"SMTP\",\"\",\"third@x\",\"JL\",\"sf.example\"\r\n",
             c);
    EXPECT_EQ(c.value(Field::Name), "Jean Luc Picard");
    EXPECT_EQ(c.value(Field::Email), "jl@sf.example");
    EXPECT_EQ(c.value(Field::SecondEmail), "third@x"); // the third fills the empty second
    EXPECT_EQ(c.value(Field::Phone), "555-0199");      // home before business
    EXPECT_EQ(c.value(Field::Mobile), "555-0123");
    EXPECT_EQ(c.value(Field::Address), "12 Rue, Apt 3"); // home before business
    EXPECT_EQ(c.value(Field::City), "La Barre");
    EXPECT_EQ(c.value(Field::ZipCode), "21000");
    EXPECT_EQ(c.country, 69);
    EXPECT_EQ(c.value(Field::Nickname), "JL");
    EXPECT_EQ(c.value(Field::WebSite), "sf.example");
}

TEST(CsvReader, ReadsAThunderbirdExport) {
    READ_ONE("First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,"
             "Screen Name,Work Phone,Home Phone,Fax Number,Pager Number,Mobile Number,"
             "Home Address,Home Address 2,Home City,Home State,Home ZipCode,Home Country,"
             "Work Address,Work City,Web Page 1,Web Page 2,\n"
             "Ada,Lovelace,Countess Ada,,ada@x,ada2@x,,020 1,,020 9,,07 1,,,,,,,"
             "\"1 Work Way\",Cambridge,http://ada.example,http://b,\n",
             c);
    EXPECT_EQ(c.value(Field::Name), "Countess Ada");
    EXPECT_EQ(c.value(Field::Email), "ada@x");
    EXPECT_EQ(c.value(Field::SecondEmail), "ada2@x");
    EXPECT_EQ(c.value(Field::Phone), "020 1");
    EXPECT_EQ(c.value(Field::Mobile), "07 1");
    // No home address part is filled, so the work address is taken.
    EXPECT_EQ(c.value(Field::Address), "1 Work Way");
    EXPECT_EQ(c.value(Field::City), "Cambridge");
    EXPECT_EQ(c.value(Field::WebSite), "http://ada.example");
}

TEST(CsvReader, ReadsSemicolonSeparatedFilesWithQuotedLineBreaksAndQuotes) {
    const ReadResult r = ReadAll("\xEF\xBB\xBFName;Nickname;E-mail Address\r\n"
                                 "\"Lee; Ann\";\"say \"\"hi\"\"\r\nthere\";a@x\r\n"
                                 "\r\n"
                                 ";;\r\n"
                                 "Bob;'=1;'plain\r\n");
    ASSERT_TRUE(r.error.ok()) << r.error.message();
    ASSERT_EQ(r.contacts.size(), 2u); // the blank line and the empty row are no contacts
    EXPECT_EQ(r.contacts[0].value(Field::Name), "Lee; Ann");
    EXPECT_EQ(r.contacts[0].value(Field::Nickname), "say \"hi\"\r\nthere");
    EXPECT_EQ(r.contacts[1].line, 6u);
    EXPECT_EQ(r.contacts[1].value(Field::Nickname), "=1");
    EXPECT_EQ(r.contacts[1].value(Field::Email), "'plain");
}

TEST(CsvReader, HonoursAnExcelSeparatorLineAndShortRows) {
    READ_ONE("sep=|\nName|City|Phone\nAnn|\n", c);
    EXPECT_EQ(c.value(Field::Name), "Ann");
    EXPECT_EQ(c.value(Field::Phone), "");
}

TEST(CsvReader, RefusesAnUnclosedQuote) {
    const ReadResult open = ReadAll("Name,City\nAnn,Paris\n\"Bob,Rome\nCy,Oslo\n");
    EXPECT_EQ(open.error.failure(), Failure::Malformed);
    EXPECT_NE(open.error.message().find("line 3"), std::string::npos) << open.error.message();
}

TEST(CsvReader, KnowsTheHeaderNamesOfEachExport) {
    using Role = CsvReader::Role;
    const std::pair<const char*, Role> known[] = {
        {"  e-mail 2 - value ", Role::Email},
        {"Phone 12 - Label", Role::PhoneLabel},
        {"Address 2 - Postal Code", Role::Zip},
        {"Address 1 - Region", Role::Region},
        {"Business Country/Region", Role::Country},
        {"Business Address PO Box", Role::PoBox},
        {"Home State", Role::Region},
        {"Work ZipCode", Role::Zip},
        {"Mobile Number", Role::Mobile},
        {"Website 3 - Value", Role::Website},
        {"Personal Web Page", Role::Website},
        {"Organization Name", Role::Company},
        {"Organization 2 - Name", Role::Company},
        {"Other Street 3", Role::Street3},
        {"Labels", Role::Categories},
        {"Notes", Role::LeftOut},
        {"Relation 1 - Value", Role::LeftOut},
    };
    for (const auto& [name, role] : known)
        EXPECT_EQ(CsvReader::ColumnOf(name).role, role) << name;
    for (const char* unknown : {"Phone 0 - Value", "Phone x - Value", "E-mail 1 - Type",
                                "E-mail 1 - Label", "Sensitivity", "Relation 1 - Label", ""})
        EXPECT_EQ(CsvReader::ColumnOf(unknown).role, Role::Ignore) << unknown;
}

TEST(CsvReader, ReadsTheCurrentGoogleExportWithSeveralValuesInACell) {
    const ReadResult r = ReadAll(
        "First Name,Middle Name,Last Name,Organization Name,Organization Title,Birthday,Notes,"
        "Labels,E-mail 1 - Label,E-mail 1 - Value,E-mail 2 - Label,E-mail 2 - Value,"
        "Phone 1 - Label,Phone 1 - Value,Phone 2 - Label,Phone 2 - Value,Address 1 - Label,"
        "Address 1 - Street,Address 1 - City,Address 1 - Region,Address 1 - Postal Code,"
        "Address 1 - Country,Website 1 - Label,Website 1 - Value\n"
        "Chlo\xC3\xA9,,Durand,ACME,Engineer,1990-04-01,Met at a fair,* myContacts ::: Friends,"
        "* Home,chloe@example.fr ::: chloe.d@example.fr ::: cd@work.example,,,"
        "Mobile,+33 6 12 34 56 78 ::: +33 6 98 76 54 32,Work Fax,+33 1 00,"
        "Home,1 rue X,Paris,\xC3\x8Ele-de-France,75001,FR,,https://chloe.example\n"
        ",,,Quenlark GmbH,,,,,,info@quenlark.example,,,,,,,,,,,,,,\n");
    ASSERT_TRUE(r.error.ok()) << r.error.message();
    ASSERT_EQ(r.contacts.size(), 2u);
    const ImportedContact& c = r.contacts[0];
    EXPECT_EQ(c.value(Field::Name), "Chlo\xE9 Durand");
    EXPECT_EQ(c.value(Field::Email), "chloe@example.fr");
    EXPECT_EQ(c.value(Field::SecondEmail), "chloe.d@example.fr");
    EXPECT_EQ(c.value(Field::Mobile), "+33 6 12 34 56 78");
    EXPECT_EQ(c.value(Field::Phone), "+33 6 98 76 54 32"); // the second mobile, as no phone
    EXPECT_EQ(c.value(Field::Address), "1 rue X");
    EXPECT_EQ(c.country, 69);
    EXPECT_EQ(c.value(Field::WebSite), "https://chloe.example");
    EXPECT_EQ(ListLeftOut(c.leftOut),
              "1 further e-mail address, 1 fax number, 1 region, 1 organization, 1 birthday, "
              "1 note, 1 category and 1 other detail");
    // A company's contact takes its name from the organization.
    EXPECT_EQ(r.contacts[1].value(Field::Name), "Quenlark GmbH");
    EXPECT_EQ(ListLeftOut(r.contacts[1].leftOut), "");
}

TEST(CsvReader, FillsFreeFieldsFromSeveralValuesAndCountsTheRest) {
    struct Case {
        const char* header;
        const char* row;
        const char* email;
        const char* email2;
        const char* phone;
        const char* mobile;
        const char* leftOut;
    };
    const Case cases[] = {
        {"E-mail 1 - Value,E-mail 2 - Value", "a@x ::: b@x,c@x", "a@x", "c@x", "", "",
         "1 further e-mail address"},
        {"E-mail 1 - Value,E-mail 3 - Value", " ::: a@x,b@x", "a@x", "b@x", "", "", ""},
        {"Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value", "Home,1 ::: 2,Pager,3",
         "", "", "1", "", "2 further phone numbers"},
        {"Home Phone,Business Phone,Mobile Phone,Home Fax,Pager", "1,2,3,4,5", "", "", "1", "3",
         "2 further phone numbers and 1 fax number"},
        {"Home Street,Home City,Business Street,Home State", "1 A St,Town,2 B St,CA", "", "", "",
         "", "1 further address and 1 region"},
        {"Birth Year,Birth Month,Birth Day,Notes,Job Title", "1990,4,1,x,Boss", "", "", "", "",
         "1 birthday, 1 note and 1 other detail"},
    };
    for (const Case& k : cases) {
        READ_ONE(std::string("Name,") + k.header + "\nAnn," + k.row + "\n", c);
        EXPECT_EQ(c.value(Field::Email), k.email) << k.header;
        EXPECT_EQ(c.value(Field::SecondEmail), k.email2) << k.header;
        EXPECT_EQ(c.value(Field::Phone), k.phone) << k.header;
        EXPECT_EQ(c.value(Field::Mobile), k.mobile) << k.header;
        EXPECT_EQ(ListLeftOut(c.leftOut), k.leftOut) << k.header;
    }
    // Outlook.com's own web page.
    READ_ONE("First Name,Personal Web Page\nBo,http://bo.example\n", outlookCom);
    EXPECT_EQ(outlookCom.value(Field::WebSite), "http://bo.example");
}

} // namespace

namespace {

TEST(CsvReader, ReadsCellsOfAnyLengthAndLeavesOutValuesTooLongToRead) {
    const std::string longEmail(kMaxValueBytes + 1, 'e');
    const std::string longNote(20'000'000, 'n');
    READ_ONE("Name,E-mail Address,Notes,Nickname\nAnn," + longEmail + ",\"" + longNote +
                 "\nmore\",Annie\n",
             c);
    EXPECT_EQ(c.value(Field::Name), "Ann");
    EXPECT_EQ(c.value(Field::Email), "");
    EXPECT_EQ(c.value(Field::Nickname), "Annie");
    EXPECT_EQ(ListLeftOut(c.leftOut), "1 note and 1 value longer than 32 MiB");
}

} // namespace
