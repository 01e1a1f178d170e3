#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PostalFixture.h"
#include "SearchCommand.h"
#include "SharedSearch.h"
#include "SjisConvert.h"

namespace {

std::string Sj(const char* utf8) { return SjisFromUtf8(utf8); }

TEST(SearchCommandHyphen, OnlyTheFirstHyphenAtACharacterStartAndAtByteFourGoes)
{
    struct Case { std::string text, expected; };
    const Case cases[] = {
        {"123-4567", "1234567"},
        {"123-45-67", "12345-67"},    // later hyphens stay
        {"12-34567", "12-34567"},     // the first hyphen is at byte 3
        {"1-23-4567", "1-23-4567"},   // the first hyphen decides, though one stands at byte 4
        {"1234567", "1234567"},
        {"123-", "123"},
        {"", ""},
        {"\x81-3-4567", "\x81-34567"},  // 81 2D is one character: the hyphen at byte 4 is the first
        {"12\x81-567", "12\x81-567"},   // 2D as a second byte is no hyphen
        {Sj("123－4567"), Sj("123－4567")},  // the full-width hyphen stays
    };
    for (const Case& c : cases) EXPECT_EQ(RemoveCodeHyphen(c.text), c.expected) << c.text;
}

TEST(SearchCommandHyphen, IncrementalSearchNeedsAnIntegerOfTwoBytesOrMore)
{
    EXPECT_TRUE(RunsIncrementalSearch("12"));
    EXPECT_TRUE(RunsIncrementalSearch("-5"));
    EXPECT_FALSE(RunsIncrementalSearch("1"));
    EXPECT_FALSE(RunsIncrementalSearch(""));
    EXPECT_FALSE(RunsIncrementalSearch("12a"));
}

class SearchCommand : public TSharedSearch<SearchCommand>
{
public:
    static std::vector<std::string> DataLines()
    {
        return {KenLine({"1234567", Sj("東京都"), Sj("千代田区"), Sj("丸の内"), Sj("ﾄｳｷｮｳﾄ"), Sj("ﾁﾖﾀﾞｸ"), Sj("ﾏﾙﾉｳﾁ")}),
                KenLine({"5000001", Sj("東京都"), Sj("港区"), Sj("芝"), Sj("ﾄｳｷｮｳﾄ"), Sj("ﾐﾅﾄｸ"), Sj("ｼﾊﾞ")})};
    }
};

TEST_F(SearchCommand, RunsTheCodeSearchOnIntegersAndTheAddressSearchOnEverythingElse)
{
    struct Case { std::string line, text; TSearchKind ran; std::size_t lines; };
    const Case cases[] = {
        {"1234567", "1234567", skCode, 1},
        {"123-4567", "1234567", skCode, 1},
        {"5", "5", skCode, 1},                    // one byte: still the code search
        {" 1234567", " 1234567", skCode, 0},      // the blank stays and no code begins with it
        {"+1234567", "+1234567", skCode, 0},
        {"$1F", "$1F", skCode, 0},
        {"2147483647", "2147483647", skCode, 0},
        {"2147483648", "2147483648", skAddress, 0},  // out of the 32-bit range
        {"12-34567", "12-34567", skAddress, 0},
        {"123-45-67", "12345-67", skAddress, 0},
        {Sj("123－4567"), Sj("123－4567"), skAddress, 0},
        {Sj("丸の内"), Sj("丸の内"), skAddress, 1},
        {"", "", skAddress, 0},
    };
    for (const Case& c : cases) {
        const TCommandOutcome outcome = RunSearchCommand(*FSearch, c.line);
        EXPECT_EQ(outcome.Text, c.text) << c.line;
        EXPECT_EQ(outcome.Ran, c.ran) << c.line;
        EXPECT_EQ(outcome.Result.Lines.size(), c.lines) << c.line;
    }
}

TEST_F(SearchCommand, ResultIsTheChosenSearchsOwn)
{
    const TCommandOutcome code = RunSearchCommand(*FSearch, "123-4567");
    EXPECT_EQ(code.Result.Lines, std::vector{Sj("123-4567  東京都千代田区丸の内")});
    EXPECT_EQ(code.Result.Status, Sj("1件"));
    const TCommandOutcome address = RunSearchCommand(*FSearch, Sj("ﾐﾅﾄｸｼﾊﾞｺｳｴﾝ"));
    EXPECT_EQ(address.Result.Lines, std::vector{Sj("500-0001  東京都港区芝")});
    EXPECT_EQ(address.Result.Status, Sj("1件  ﾐﾅﾄｸｼﾊﾞで検索を行いました"));
}

}  // namespace
