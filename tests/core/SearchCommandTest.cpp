#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Errors.h"
#include "MemorySource.h"
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

// What the search command answers for `query` on `bytes`, read `chunk` bytes at a time, either
// from loaded tables or straight from the data: the outcome, or the failure, and the closes.
std::string Answer(const std::string& bytes, std::size_t chunk, const std::string& query, int failReadAt, bool onData)
{
    TMemorySource source(bytes, chunk);
    if (failReadAt >= 0) source.FailReadAt(static_cast<std::size_t>(failReadAt), 5);
    std::string answer;
    try {
        TCommandOutcome outcome;
        if (onData) {
            outcome = RunSearchCommandOnData(source, query);
        } else {
            TPostalTables tables;
            LoadPostalData(source, tables);
            outcome = RunSearchCommand(TPostalSearch(tables), query);
        }
        answer = outcome.Text + "|" + (outcome.Ran == skCode ? "code|" : "address|") + outcome.Result.Status + "\n";
        for (const std::string_view line : outcome.Result.Lines) answer.append(line).append("\n");
    } catch (const EListIndexError& e) {
        answer = std::string("list index: ") + e.what();
    } catch (const EInOutError& e) {
        answer = std::string("in/out ").append(std::to_string(e.Code())) + ": " + e.what();
    } catch (const EHarvikError& e) {
        answer = std::string("failure: ") + e.what();
    }
    return answer + "closed " + std::to_string(source.CloseCount());
}

// A search of the data without its tables answers every query as the search of the loaded tables,
// and fails where the load fails, with the same failure.
TEST(SearchCommandOnData, AnswersAndFailsAsTheSearchOfTheLoadedTables)
{
    const auto line = [](const std::string& code, const char* pref, const char* city, const char* town) {
        return KenLine({code, Sj(pref), Sj(city), Sj(town), Sj("ｶﾅ"), Sj("ｶﾅ"), Sj("ｶﾅ")});
    };
    const std::vector<std::string> towns = {
        line("1000001", "東京都", "千代田区", "千代田"),
        line("1000005", "東京都", "千代田区", "丸の内（次のビルを除く）"),
        line("1000005", "東京都", "千代田区", "丸の内ＪＰタワー（地階・階層不明）"),
        line("1040061", "東京都", "中央区", "銀座"),
        line("0600000", "北海道", "札幌市中央区", "以下に掲載がない場合"),
        line("1000006", "北海道", "札幌市中央区", "有楽町"),  // a code of Tokyo's range elsewhere
        line("100", "東京都", "千代田区", "短い"),
        line("10000050", "東京都", "千代田区", "長い"),
        line("1000007", "東京都", "中央区", "\"引用\"\"符\""),
    };
    std::vector<std::string> withCr = towns;
    withCr[3] = std::string("\r").append(towns[3]);  // a lone CR, dropped from its line
    const std::string careful = KenFile(withCr);
    const std::vector<std::string> files = {
        KenFile(towns),
        careful,
        KenFile(towns) + "\x1A" + KenFile(towns),  // Ctrl-Z at a line start ends the data
        KenFile({towns[0], towns[1], "0,1,1000005,3,4,5,P", towns[2]}),  // a short line
        // Lines before the first named prefecture and city: their towns point at the first ones made.
        KenFile({line("1000008", "", "", "先頭"), line("1000009", "", "区", "次"), towns[0], towns[4]}),
        "",
    };
    std::vector<std::string> fifty;  // a fiftieth prefecture
    for (int i = 0; i < 50; ++i)
        fifty.push_back(line(std::string("100000").append(std::to_string(i % 10)),
                             std::string("P").append(std::to_string(i)).c_str(), "C", "T"));
    const std::vector<std::string> queries = {"1", "100", "100-0005", "1000005", "10000050", "0", "9",
                                              "$64", "", Sj("丸の内"), "100-", "1000005 "};
    for (const std::string& query : queries) {
        for (const std::string& file : files) {
            for (const std::size_t chunk : {std::size_t{3}, file.size() + 1}) {
                const std::string expected = Answer(file, chunk, query, -1, false);
                EXPECT_EQ(Answer(file, chunk, query, -1, true), expected) << query << " in\n" << file;
            }
            if (file.size() > 10) {  // a read failure halfway
                const int half = static_cast<int>(file.size()) / 2;
                EXPECT_EQ(Answer(file, 7, query, half, true), Answer(file, 7, query, half, false)) << query;
            }
        }
        EXPECT_EQ(Answer(KenFile(fifty), 4096, query, -1, true), Answer(KenFile(fifty), 4096, query, -1, false));
    }
    // The answers above are worth comparing: the code search lists what it should.
    EXPECT_EQ(Answer(KenFile(towns), 64, "100-0005", -1, true),
              "1000005|code|" + Sj("3件") + "\n" + Sj("100-0005  東京都千代田区丸の内（次のビルを除く）") + "\n" +
                  Sj("100-0005  東京都千代田区丸の内ＪＰタワー（地階・階層不明）") + "\n" +
                  Sj("100-00050  東京都千代田区長い") + "\nclosed 1");
}

}  // namespace
