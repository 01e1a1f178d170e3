#include <gtest/gtest.h>

#include <string>

#include "ByteSearch.h"

namespace {

// The search looks at blocks of candidate starts at a time; the needle must be found wherever it
// lies relative to the blocks, also at the very last start and with needles longer than a block.
TEST(FindBytes, FindsTheFirstPlaceAtEveryOffsetAndLength)
{
    for (std::size_t length : {1u, 2u, 3u, 16u, 17u, 40u}) {
        std::string needle;
        for (std::size_t i = 0; i < length; ++i) needle += static_cast<char>('a' + i % 26);
        needle.back() = '!';  // never in the filler
        for (std::size_t hay = length; hay <= 80; ++hay)
            for (std::size_t at = 0; at + length <= hay; at += 7) {
                // The filler repeats the needle's first byte, so first-byte candidates abound.
                std::string text(hay, length > 1 ? needle.front() : '.');
                text.replace(at, length, needle);
                ASSERT_EQ(FindBytes(text, needle), at) << length << " " << hay << " " << at;
                ASSERT_EQ(FindBytes(text.substr(0, hay - 1), needle), at + length <= hay - 1 ? at : std::string::npos);
            }
    }
}

TEST(FindBytes, EmptyNeedleOrShortHayFindsNothing)
{
    EXPECT_EQ(FindBytes("abc", ""), std::string::npos);
    EXPECT_EQ(FindBytes("", "a"), std::string::npos);
    EXPECT_EQ(FindBytes("ab", "abc"), std::string::npos);
    EXPECT_EQ(FindBytes(std::string("a\0b", 3), std::string("\0b", 2)), 1u);
}

}  // namespace
