#include "engine/codepage.h"

#include <gtest/gtest.h>

using namespace quenlark;

TEST(Codepage, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    std::string back;
    ASSERT_TRUE(Utf8ToCp1252(Cp1252ToUtf8(all), back));
    EXPECT_EQ(back, all);
}

TEST(Codepage, MapsTheHighBlockAndLatin1) {
    std::string out;
    ASSERT_TRUE(Utf8ToCp1252("\xE2\x82\xAC \xC3\xA9 \xC5\x93 \xE2\x80\x9C", out)); // € é œ “
    EXPECT_EQ(out, "\x80 \xE9 \x9C \x93");
    EXPECT_EQ(Cp1252ToUtf8("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
}

TEST(Codepage, RefusesWhatTheCodePageCannotHold) {
    std::string out;
    EXPECT_FALSE(Utf8ToCp1252("Zo\xC3\xAB \xE6\x97\xA5", out)); // a CJK character
    EXPECT_FALSE(Utf8ToCp1252("\xF0\x9F\x98\x80", out));        // an emoji
    EXPECT_FALSE(Utf8ToCp1252("\xC4\x80", out));                // Ā, Latin Extended-A
    EXPECT_FALSE(Utf8ToCp1252("abc\xC3", out));                 // cut-off sequence
    EXPECT_FALSE(Utf8ToCp1252("\xC0\xAF", out));                // overlong "/"
    EXPECT_FALSE(Utf8ToCp1252("\xFF", out));
}
