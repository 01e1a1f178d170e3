#include <gtest/gtest.h>

#include "SjisText.h"

TEST(SjisPos, MatchesOnlyAtCharacterStarts)
{
    struct Case
    {
        std::string_view hay, needle;
        int pos;
    };
    const Case cases[] = {
        {"\x93\x8C\x8B\x9E\x93s", "\x8B\x9E", 3},        // 東京都 contains 京 at byte 3
        {"\x83\x5C\x5C", "\x5C", 3},                     // ソ\ : the 0x5C inside ソ does not count
        {"\x95\x5C\x5C", "\x5C\x5C", 0},                 // 表\ : "\\" starts only inside 表
        {"\x8B\x9E\x93\x8C", "\x9E\x93", 0},             // 京東: the middle bytes straddle two characters
        {"\xC4\xB3\xB7\xAE", "\xB3\xB7", 2},             // ﾄｳｷｮ : half-width kana are single bytes
        {"\x93\x8C\x8B\x9E", "\x8B", 3},                 // a needle ending in a lead byte matches 京's start
        {"\x93\x8C\x8B\x9E", "\x93\x8C\x8B\x9E\x93", 0}, // longer than the text
        {"abcabc", "c", 3},                              // the first occurrence wins
        {"", "\x8B\x9E", 0},                             // an empty text never matches
        {"abc", "", 0},                                  // nor does an empty needle
    };
    for (const Case& c : cases) EXPECT_EQ(SjisPos(c.needle, c.hay), c.pos) << c.hay;
}

TEST(SjisPos, BeginsWithAndContainsFollowPosition)
{
    EXPECT_TRUE(SjisBeginsWith("\x93\x8C\x8B\x9E\x93s", "\x93\x8C"));  // 東京都 begins with 東
    EXPECT_FALSE(SjisBeginsWith("abc", ""));
    EXPECT_FALSE(SjisBeginsWith("", ""));
    EXPECT_TRUE(SjisContains("\x93\x8C\x8B\x9E\x93s", "\x93s"));      // 都
    EXPECT_FALSE(SjisContains("\x83\x5C", "\x5C"));                  // ソ holds no backslash
}

TEST(SjisPiece, ClampsStartAndLength)
{
    struct Case
    {
        long long start, length;
        std::string_view piece;
    };
    const Case cases[] = {
        {1, 8, "123-4567"}, {11, 1000, "address"}, {0, 3, "123"}, {-5, 3, "123"}, {17, 1, "s"},
        {18, 1, ""},        {3, 0, ""},            {3, -1, ""},   {9, 2, "  "},
    };
    for (const Case& c : cases) EXPECT_EQ(SjisPiece("123-4567  address", c.start, c.length), c.piece);
    EXPECT_EQ(SjisPiece("", 1, 8), "");
}

TEST(CountText, IsDigitsThenKen)
{
    EXPECT_EQ(CountText(0), "0\x8C\x8F");
    EXPECT_EQ(CountText(12), "12\x8C\x8F");
    EXPECT_EQ(CountText(124825), "124825\x8C\x8F");
}
