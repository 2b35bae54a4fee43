#include "enginefixture.h"

#include <cstring>

using namespace quenlark;
using namespace quenlark::test;

class FormatTest : public EngineTest {};

TEST_F(FormatTest, RecordFieldsLieAtTheirOffsets) {
    writeFile(dbPath(), "");
    useDatabase(dbPath());
    ASSERT_TRUE(engine->OpenAddressBook());

    ContactRecord r;
    ClearContactRecord(r);
    const char* texts[] = {
        "Ann Lee", "ann@example.com", "ann2@example.com", "Annie",       "http://ann.example",
        "555-1",   "555-2",           "1 Main St",        "Springfield", "12345"};
    for (std::size_t i = 0; i < kFieldCount; ++i)
        r.setText(Field(i), texts[i]);
    r.setCountry(234);
    ASSERT_TRUE(engine->AppendContact(r));

    const std::string file = readFile(dbPath());
    ASSERT_EQ(file.size(), kHeaderSize + kRecordSize);
    const char* rec = file.data() + kHeaderSize;
    const std::size_t offsets[] = {0, 255, 510, 765, 1020, 1320, 1575, 1830, 2085, 2340};
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        EXPECT_STREQ(rec + offsets[i], texts[i]) << "field " << i;
        // Everything after the text up to the next field is zero.
        const std::size_t end = i + 1 < kFieldCount ? offsets[i + 1] : 2440;
        for (std::size_t k = offsets[i] + std::strlen(texts[i]); k < end; ++k)
            ASSERT_EQ(rec[k], 0) << "field " << i << " byte " << k;
    }
    EXPECT_EQ(std::memcmp(rec + 2440, "\xEA\x00\x00\x00", 4), 0);
}

TEST_F(FormatTest, TextIsCutToItsFieldAndHeaderIsExact) {
    ContactRecord r;
    ClearContactRecord(r);
    r.setText(Field::Name, std::string(300, 'n'));
    r.setText(Field::WebSite, std::string(400, 'w'));
    r.setText(Field::ZipCode, std::string(100, 'z'));
    EXPECT_EQ(r.text(Field::Name), std::string(254, 'n'));
    EXPECT_EQ(r.text(Field::WebSite), std::string(299, 'w'));
    EXPECT_EQ(r.text(Field::ZipCode), std::string(99, 'z'));
    // The slot's last byte stays the terminator, so the phone field is untouched.
    EXPECT_EQ(r.bytes[254], 0);
    EXPECT_EQ(r.text(Field::Email), "");

    r.setCountry(-1);
    EXPECT_EQ(r.country(), -1);
    ClearContactRecord(r);
    EXPECT_EQ(r.country(), 0);
    EXPECT_EQ(r.text(Field::Name), "");

    const auto header = MakeHeader();
    std::string expected("Quenlark Address Book", 21);
    expected.append(15, '\0');
    expected[32] = 2;
    EXPECT_EQ(std::string(header.begin(), header.end()), expected);
}

TEST_F(FormatTest, HeaderCheck) {
    auto header = MakeHeader();
    std::string h(header.begin(), header.end());
    EXPECT_EQ(CheckHeader(h), HeaderCheck::Valid);

    std::string junk = h; // bytes after the magic's NUL and the reserved bytes are not examined
    for (std::size_t i = 22; i < 32; ++i)
        junk[i] = char(0xAB);
    EXPECT_EQ(CheckHeader(junk), HeaderCheck::Valid);

    std::string lower = h;
    lower[0] = 'q';
    EXPECT_EQ(CheckHeader(lower), HeaderCheck::NotADatabase);
    std::string longer = h; // magic text must end right after "Book"
    longer[21] = 's';
    EXPECT_EQ(CheckHeader(longer), HeaderCheck::NotADatabase);
    EXPECT_EQ(CheckHeader(h.substr(0, 35)), HeaderCheck::NotADatabase);

    for (char v : {char(1), char(3)}) {
        std::string other = h;
        other[32] = v;
        EXPECT_EQ(CheckHeader(other), HeaderCheck::OtherVersion);
    }
}

TEST(CountryList, EntriesAndOrder) {
    EXPECT_EQ(kCountries.size(), 235u);
    EXPECT_STREQ(kCountries[0], "(You can select a country from the list below)");
    EXPECT_STREQ(kCountries[50], "Cote d'Ivoire (Ivory Coast)");
    EXPECT_STREQ(kCountries[101], "Ivory Coast");
    EXPECT_STREQ(kCountries[147], "New Zealand (Hamilton, Waikato)");
    EXPECT_STREQ(kCountries[161], "Other (Sorry if your country is not listed here)");
    EXPECT_STREQ(kCountries[221], "United States");
    EXPECT_STREQ(kCountries[234], "Zimbabwe");
}
