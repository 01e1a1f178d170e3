#include <gtest/gtest.h>

#include <string_view>

#include "IntegerText.h"

namespace {

struct TIntegerCase
{
    std::string_view text;
    bool passes;
};

} // namespace

TEST(IntegerText, AcceptsTheDecimalFormsOfTheInputLine)
{
    constexpr TIntegerCase cases[] = {
        {"0600000", true},       // a postal code with its leading zero
        {"5", true},
        {"+12", true},
        {"-5", true},
        {" 123", true},          // one leading blank
        {"   7", true},          // several leading blanks
        {"-0", true},
        {"2147483647", true},    // the largest value
        {"-2147483648", true},   // the smallest value
        {"+2147483647", true},
        {"0000000000002147483647", true},  // leading zeros do not count against the range
        {"-00002147483648", true},
    };
    for (const TIntegerCase& c : cases) EXPECT_EQ(IsInteger(c.text), c.passes) << '"' << c.text << '"';
}

TEST(IntegerText, AcceptsHexadecimalUpToFFFFFFFFWithAnySign)
{
    constexpr TIntegerCase cases[] = {
        {"$1F", true},
        {"0x10", true},
        {"0X10", true},
        {"x1f", true},
        {"XaB", true},
        {"$FFFFFFFF", true},     // the hex range is unsigned
        {"-$FFFFFFFF", true},    // a sign before the prefix changes nothing
        {"+0xffffffff", true},
        {" $0", true},
        {"$000000000FFFFFFFF", true},  // leading zeros
        {"$100000000", false},   // one past FFFFFFFF
        {"0x", false},           // a prefix without digits
        {"$", false},
        {"x", false},
        {"-$", false},
        {"$1G", false},          // a byte that is no hex digit
        {"$ 1", false},          // a blank after the prefix
        {"00x10", false},        // "0x" only directly after the sign
        {"$-1", false},          // a sign after the prefix
        {"1F", false},           // hex digits without a prefix
    };
    for (const TIntegerCase& c : cases) EXPECT_EQ(IsInteger(c.text), c.passes) << '"' << c.text << '"';
}

TEST(IntegerText, RejectsEverythingElse)
{
    constexpr TIntegerCase cases[] = {
        {"", false},
        {"   ", false},                  // blanks only
        {"+", false},                    // a sign alone
        {"-", false},
        {"+-5", false},                  // two signs
        {"--5", false},
        {"- 5", false},                  // a blank between sign and digits
        {"12 ", false},                  // a trailing blank
        {"123-4567", false},             // a hyphen inside
        {"12a", false},
        {"2147483648", false},           // one past the largest value
        {"-2147483649", false},          // one below the smallest value
        {"99999999999999999999999", false},  // far past the range
        {"\t5", false},                  // a tab is not a blank here
        {"\x81\x40" "5", false},         // 　5: a full-width blank is not skipped
        {"\x82\x50\x82\x51", false},     // １２: full-width digits
        {"1.0", false},
        {"1e3", false},
    };
    for (const TIntegerCase& c : cases) EXPECT_EQ(IsInteger(c.text), c.passes) << '"' << c.text << '"';
    EXPECT_FALSE(IsInteger(std::string_view("5\0", 2)));  // a trailing zero byte is a trailing character
}

TEST(IntegerText, ReadsTheValueEachFormSpells)
{
    struct TValueCase
    {
        std::string_view text;
        std::int32_t value;
    };
    constexpr TValueCase cases[] = {
        {"0600000", 600000},
        {" -50", -50},
        {"+12", 12},
        {"-2147483648", -2147483647 - 1},
        {"2147483647", 2147483647},
        {"$1F", 31},
        {"0x10", 16},
        {"$FFFFFFFF", -1},           // the 32 bits it spells
        {"$80000000", -2147483647 - 1},
        {"-$10", 16},                // a sign before the prefix changes nothing
    };
    for (const TValueCase& c : cases) EXPECT_EQ(ReadInteger(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(ReadInteger("12a"), std::nullopt);
}
