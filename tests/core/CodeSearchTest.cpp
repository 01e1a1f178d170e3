#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "PostalFixture.h"
#include "PostalSearch.h"
#include "SearchResult.h"
#include "SharedSearch.h"
#include "SjisConvert.h"

namespace {

std::string Sj(const char* utf8) { return SjisFromUtf8(utf8); }

std::string Town(const char* code, const char* town)
{
    return KenLine({code, Sj("東京都"), Sj("千代田区"), Sj(town), Sj("ﾄｳｷｮｳﾄ"), Sj("ﾁﾖﾀﾞｸ"), Sj("ﾏﾁ")});
}

// Towns 0-11. Codes beginning with "10" stand at 0-1, 4-5, 7 and 11: the places a scan that tests
// only every second entry, and follows up only where the entry before matched, skips.
class CodeSearch : public TSharedSearch<CodeSearch>
{
public:
    static std::vector<std::string> DataLines()
    {
        return {Town("1000001", "甲"), Town("1000002", "乙"), Town("2000000", "丙"), Town("2000001", "丁"),
                Town("1010000", "戊"), Town("1010001", "己"), Town("3000000", "庚"), Town("1020000", "辛"),
                Town("3000001", "壬"), Town("3000002", "癸"), Town("3000003", "子"), Town("1000000", "丑")};
    }

protected:
    static std::vector<std::string> Lines(const char* query) { return FSearch->ByCode(query).Lines.Strings(); }
};

TEST_F(CodeSearch, ListsEveryMatchingTownInTableOrder)
{
    const std::vector<std::string> expected = {
        Sj("100-0001  東京都千代田区甲"), Sj("100-0002  東京都千代田区乙"), Sj("101-0000  東京都千代田区戊"),
        Sj("101-0001  東京都千代田区己"), Sj("102-0000  東京都千代田区辛"), Sj("100-0000  東京都千代田区丑")};
    const TSearchResult found = FSearch->ByCode("10");
    EXPECT_EQ(found.Lines, expected);
    EXPECT_EQ(found.Status, Sj("6件"));
}

TEST_F(CodeSearch, PairsAndSinglesThatCoarseStepsMissAreListed)
{
    // Entries 4 and 5 alone begin with "101"; entry 7 alone with "102"; entries 0 and 1 with "100000".
    EXPECT_EQ(Lines("101"), (std::vector{Sj("101-0000  東京都千代田区戊"), Sj("101-0001  東京都千代田区己")}));
    EXPECT_EQ(Lines("102"), std::vector{Sj("102-0000  東京都千代田区辛")});
    EXPECT_EQ(Lines("1000001"), std::vector{Sj("100-0001  東京都千代田区甲")});
    EXPECT_EQ(Lines("100000").size(), 3u);  // 0, 1 and the last town 11
}

TEST_F(CodeSearch, OneByteQueryListsToo)
{
    EXPECT_EQ(Lines("1").size(), 6u);
    EXPECT_EQ(Lines("3").size(), 4u);
}

TEST_F(CodeSearch, QueriesNoCodeBeginsWithListNothing)
{
    for (const char* query : {"", "4", "10000010", "+10", " 10", "-1", "0x10"}) {
        const TSearchResult found = FSearch->ByCode(query);
        EXPECT_TRUE(found.Lines.empty()) << query;
        EXPECT_EQ(found.Status, Sj("0件")) << query;
    }
}

TEST(CodeSearchLines, CodesOfOtherLengthsKeepTheLayoutRule)
{
    TPostalTables tables;
    LoadLines(tables, {Town("12", "甲"), Town("12345678901", "乙"), Town("1200000", "丙")});
    const TPostalSearch search(tables);
    // Bytes 1-3 of the code, "-", bytes 4-10, two blanks, the address.
    EXPECT_EQ(search.ByCode("12").Lines, (std::vector{Sj("12-  東京都千代田区甲"), Sj("123-4567890  東京都千代田区乙"),
                                                      Sj("120-0000  東京都千代田区丙")}));
    EXPECT_EQ(search.ByCode("123456789012").Lines.size(), 0u);  // longer than every stored code
}

TEST(CodeSearchLines, TownsSharingACodeEachGiveAResultLine)
{
    TPostalTables tables;
    LoadLines(tables, {Town("0600000", "甲"), Town("0600000", "乙"), Town("", "丙"), Town("0600001", "丁")});
    const TPostalSearch search(tables);
    // The town without a code never matches; the code search writes no continuation lines.
    EXPECT_EQ(search.ByCode("06").Lines, (std::vector{Sj("060-0000  東京都千代田区甲"), Sj("060-0000  東京都千代田区乙"),
                                                      Sj("060-0001  東京都千代田区丁")}));
}

TEST(CodeSearchLines, EmptyTablesListNothing)
{
    const TPostalTables tables;
    const TPostalSearch search(tables);
    EXPECT_EQ(search.ByCode("0").Status, Sj("0件"));
    EXPECT_EQ(search.ByAddress(Sj("東京")).Status, Sj("0件"));
}

// The result lines written many at a time, with the texts copied in whole blocks, are the lines
// written one by one as strings: for texts of every length around the blocks' size, codes of any
// length, any bytes, towns in any order, and lines already in the list.
TEST(ResultLines, WrittenManyAtATimeAsOneByOne)
{
    std::mt19937 random(5);
    const auto text = [&](std::size_t most) {
        std::string s(random() % (most + 1), ' ');
        for (char& c : s) c = static_cast<char>(random() % 4 == 0 ? random() % 256 : '0' + random() % 10);
        return s;
    };
    for (int round = 0; round < 20; ++round) {
        TPostalTables tables;
        TTablesWriter writer(tables);
        for (int pref = 0; pref < 3; ++pref) writer.Pref(pref) = {writer.Store(text(40)), {}, pref * 2};
        for (int city = 0; city < 6; ++city) writer.City(city) = {writer.Store(text(70)), {}, city / 2, city * 10};
        for (int town = 0; town < 60; ++town) {
            const std::string code = random() % 2 == 0 ? text(12) : std::to_string(1000000 + random() % 9000000);
            writer.Town(town) = {writer.Store(code), writer.Store(text(100)), {}, town / 10};
        }
        std::vector<int> towns(random() % 80);
        for (int& town : towns) town = static_cast<int>(random() % 60);
        std::vector<std::string> expected = {"before"};
        for (const int town : towns) expected.push_back(ResultLine(tables, town));
        TResultLines many, single;
        many.push_back("before");
        single.push_back("before");
        AppendResultLines(tables, towns, many);
        for (const int town : towns) AppendResultLine(tables, town, single);
        EXPECT_EQ(many, expected) << round;
        EXPECT_EQ(single, expected) << round;
    }
}

}  // namespace
