#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "NationalList.h"
#include "SjisConvert.h"
#include "Watchdog.h"

namespace {

struct TConvertCase
{
    std::string_view from, to;
};

std::string Hex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

} // namespace

TEST(SjisConvert, DecodesCodePage932AsTheDataFileHoldsIt)
{
    constexpr TConvertCase cases[] = {
        {"", ""},
        {"\x93\x8C\x8B\x9E", "\xE6\x9D\xB1\xE4\xBA\xAC"},  // 東京
        {"\x83\x5C", "\xE3\x82\xBD"},                      // ソ: 0x5C as the second byte
        {"\xB1\xDF", "\xEF\xBD\xB1\xEF\xBE\x9F"},          // ｱﾟ: half-width katakana
        {"\x81\x60\x81\x7C", "\xEF\xBD\x9E\xEF\xBC\x8D"},  // ～－ as the Microsoft table has them
        {"\x5C\x7E", "\x5C\x7E"},                          // backslash and tilde stay ASCII
        {"\x87\x40", "\xE2\x91\xA0"},                      // ①: NEC extension
        {"\xFA\x40", "\xE2\x85\xB0"},                      // ⅰ: IBM extension
        {"\x1A\x1C\x7F", "\x1A\x1C\x7F"},                  // control bytes one to one, Ctrl-Z included
    };
    for (const TConvertCase& c : cases) EXPECT_EQ(Hex(Utf8FromSjis(c.from)), Hex(c.to)) << Hex(c.from);
}

TEST(SjisConvert, DecodesEachByteThatStartsNoCharacterAsReplacementAndGoesOn)
{
    constexpr TConvertCase cases[] = {
        {"\x41\x82\xA0\x82", "A\xE3\x81\x82\xEF\xBF\xBD"},       // Aあ then a lead byte at the end
        {"\x41\x82\x20\x42", "A\xEF\xBF\xBD B"},                 // a bad second byte: the blank is kept
        {"\x80\xA0\xFD\xFE\xFF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // undefined single bytes
        {"\x85\x40", "\xEF\xBF\xBD@"},                           // an unassigned pair: its second byte reads on
    };
    for (const TConvertCase& c : cases) EXPECT_EQ(Hex(Utf8FromSjis(c.from)), Hex(c.to)) << Hex(c.from);
}

TEST(SjisConvert, EncodesTypedTextIncludingInputMethodLookAlikes)
{
    constexpr TConvertCase cases[] = {
        {"", ""},
        {"\xE6\x9D\xB1\xE4\xBA\xAC", "\x93\x8C\x8B\x9E"},  // 東京
        {"\xEF\xBD\xB1", "\xB1"},                          // ｱ
        {"123-4567", "123-4567"},
        {"\xE3\x80\x9C", "\x81\x60"},                      // 〜 U+301C WAVE DASH
        {"\xEF\xBD\x9E", "\x81\x60"},                      // ～ U+FF5E
        {"\xE2\x88\x92", "\x81\x7C"},                      // − U+2212 MINUS SIGN
        {"\xEF\xBC\x8D", "\x81\x7C"},                      // － U+FF0D
        {"\xE2\x80\x96", "\x81\x61"},                      // ‖ U+2016
        {"\xC2\xA2\xC2\xA3\xC2\xAC", "\x81\x91\x81\x92\x81\xCA"},  // ¢£¬
    };
    for (const TConvertCase& c : cases) EXPECT_EQ(Hex(SjisFromUtf8(c.from)), Hex(c.to)) << Hex(c.from);
}

TEST(SjisConvert, EncodesWhatCodePage932CannotHoldAsQuestionMarks)
{
    constexpr TConvertCase cases[] = {
        {"A\xF0\x9F\x98\x80" "B\xF0\xA0\xAE\xB7" "C", "A?B?C"},  // A😀B𠮷C: one "?" per character
        {"caf\xC3\xA9", "caf?"},                                 // é
        {"\xEF\xBF\xBD", "?"},                                   // U+FFFD itself
        {"\x80" "A", "?A"},                                      // a stray continuation byte
        {"A\xE6\x9D" "B", "A??B"},                               // a cut-off 東: the B survives
        {"\xE6\x9D", "??"},                                      // cut off at the end
        {"\xC0\xAF", "??"},                                      // an overlong "/"
        {"\xE0\x80\x80", "???"},                                  // an overlong three-byte form
        {"\xF0\x80\x80\x80", "????"},                              // an overlong four-byte form
        {"\xED\xA0\x80", "???"},                                 // a surrogate
        {"\xF4\x90\x80\x80", "????"},                            // past U+10FFFF
        {"\xFF", "?"},
    };
    for (const TConvertCase& c : cases) EXPECT_EQ(Hex(SjisFromUtf8(c.from)), Hex(c.to)) << Hex(c.from);
}

// A town name of bytes that start no character, from a hostile data file, or a pasted text of
// malformed UTF-8: each bad byte is replaced in turn, and the whole text must still convert in one
// pass, not in time that grows with the square of its length (a minute for these two megabytes).
TEST(SjisConvert, TextFullOfBadBytesConvertsInOnePass)
{
    const TWatchdog watchdog("converting 2 MB of bad bytes", std::chrono::seconds(10));
    std::string badSjis, replaced;
    for (int i = 0; i < 1 << 19; ++i) {
        badSjis += "\x88\x40";   // 88 40 is no character of code page 932: its 40 ("@") reads on
        replaced += "\xEF\xBF\xBD@";
    }
    EXPECT_TRUE(Utf8FromSjis(badSjis) == replaced);
    EXPECT_TRUE(SjisFromUtf8(std::string(1 << 20, '\x80')) == std::string(1 << 20, '?'));

    // Converted a piece at a time, a character cut by a piece's end still converts whole.
    std::string kanji = "a";
    for (int i = 0; i < 5000; ++i) kanji += "\x93\x8C";  // 東
    EXPECT_TRUE(SjisFromUtf8(Utf8FromSjis(kanji)) == kanji);
}

TEST(SjisConvert, EverySingleByteCharacterRoundTrips)
{
    for (int b = 0; b <= 0xDF; ++b) {
        if (b >= 0x80 && b <= 0xA0) continue;  // 0x80-0xA0 are lead bytes or undefined
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Hex(SjisFromUtf8(Utf8FromSjis(one))), Hex(one));
    }
}

// Real data: the national list.
TEST(SjisConvert, NationalListRoundTripsByteForByte)
{
    std::ifstream file(NationalListPath(), std::ios::binary);
    ASSERT_TRUE(file) << NationalListPath();
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_GT(bytes.size(), 10'000'000u);
    const std::string utf8 = Utf8FromSjis(bytes);
    EXPECT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos);
    EXPECT_TRUE(SjisFromUtf8(utf8) == bytes);
}
