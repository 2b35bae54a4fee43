// The byte-level steps a long value goes through, each against the plain reading of what it
// must do: quoted-printable with its line breaks, CR LF to LF, and the conversion of a value
// to its field (kept part, length, cut, unstorable).
#include "interchange/importedcontact.h"
#include "interchange/textcodec.h"

#include <gtest/gtest.h>

using namespace quenlark;

namespace {

// CR LF to LF the slow, obvious way.
std::string plainCrLfToLf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

TEST(TextCodec, QuotedPrintableLinesIsDecodingThenCrLfToLf) {
    const std::string long_(200000, 'x');
    for (const std::string& input :
         {std::string("a=0D=0Ab"), std::string("=0D=0D=0A"), std::string("\r=0A"),
          std::string("a=\r\nb=\nc="), std::string("=0D"), std::string("=0Dx=0A"),
          std::string("=zz=4"), std::string("=3D0D=0A"), "head:" + long_ + "=0D=0A" + long_}) {
        std::string decoded = "keep\r\n:" + input;
        DecodeQuotedPrintable(decoded, 7);
        const std::string expected = decoded.substr(0, 7) + plainCrLfToLf(decoded.substr(7));
        std::string fused = "keep\r\n:" + input;
        DecodeQuotedPrintableLines(fused, 7);
        EXPECT_EQ(fused, expected) << input.substr(0, 20);
        std::string twoSteps = decoded;
        CrLfToLf(twoSteps, 7);
        EXPECT_EQ(twoSteps, expected) << input.substr(0, 20);
    }
}

struct Converted {
    std::string text; // UTF-8
    std::size_t kept; // bytes of the value kept
    std::size_t cutFrom;
    bool storable;
};

TEST(TextCodec, AValueKeepsWhatItsFieldHoldsAndCountsTheRest) {
    const std::string a300(300, 'a');
    const std::string nul("a\0b", 3);
    const Converted cases[] = {
        {"Ann", 3, 0, true},
        {"Zo\xC3\xAB \xE2\x82\xAC", 5, 0, true},         // ë and € are in the code page
        {a300, 254, 300, true},                          // cut, counted past the field
        {a300 + "\xC3\xA9" + a300, 254, 601, true},      // é far past the kept part
        {a300 + "\xE2\x98\x83", 0, 0, false},            // ☃ is not in the code page
        {a300 + "\xC3", 0, 0, false},                    // cut UTF-8 far past the field
        {"\xED\xA0\x80", 0, 0, false},                   // a surrogate
        {nul, 0, 0, false},                              // a NUL would end the text
        {std::string(16, '\xC3') + "\xA9", 0, 0, false}, // lead bytes without followers
        {std::string(8, 'b') + "\xC3\xA9" + a300, 254, 309, true}, // é within what is kept
        {a300 + "\xC5\xA0", 254, 301, true},                       // Š is 0x8A in the code page
        {a300 + "\xD0\x94", 0, 0, false},                          // Cyrillic is not
        {a300 + "\xC2\x85", 0, 0, false},                          // nor a C1 control
        {a300 + "\xC3" + "A", 0, 0, false},                        // a lead byte, then a letter
    };
    for (const Converted& c : cases) {
        ContactTexts texts;
        texts.clear();
        texts[Field::Name] = c.text;
        ImportedContact contact;
        ConvertTexts(texts, contact);
        const std::string& value = contact.value(Field::Name);
        EXPECT_EQ(contact.unstorable.empty(), c.storable) << c.text.substr(0, 12);
        EXPECT_EQ(value.size(), c.kept) << c.text.substr(0, 12);
        if (c.cutFrom) {
            ASSERT_EQ(contact.cuts.size(), 1u);
            EXPECT_EQ(contact.cuts[0].length, c.cutFrom);
            EXPECT_EQ(contact.cuts[0].kept, 254u);
        } else {
            EXPECT_TRUE(contact.cuts.empty()) << c.text.substr(0, 12);
        }
    }
}

// Escapes and semicolons on either side of an eight-byte step, the first part after a kept
// prefix: the parts joined with "|".
TEST(TextCodec, UnescapingSplitsOnlyAtPlainSemicolonsWhereverTheyFall) {
    const struct {
        std::string text;
        bool v21, split;
        std::string parts;
    } cases[] = {
        {R"(1234567;abcdefg\\;12345678\;x;)", false, true, R"(1234567|abcdefg\|12345678;x|)"},
        {R"(12345678\n\,abcdef\qz;;)", false, true, "12345678\n,abcdef\\qz||"},
        {R"(1234567\,89\\;y)", true, true, R"(1234567\,89\;y)"},
        {R"(abcdefghijklmno;p\;\)", false, false, R"(abcdefghijklmno;p;\)"},
    };
    std::vector<std::string_view> parts;
    for (const auto& c : cases) {
        std::string text = "KEEP:" + c.text;
        UnescapeVCardValue(text, 5, c.v21, c.split, parts);
        std::string joined;
        for (std::size_t k = 0; k < parts.size(); ++k)
            joined += (k ? "|" : "") + std::string(parts[k]);
        EXPECT_EQ(text.substr(0, 5), "KEEP:");
        EXPECT_EQ(joined, c.parts) << c.text;
    }
}

} // namespace
