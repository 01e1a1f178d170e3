// Real data: the national list (ken_all.zip beside the repository). Fails loudly when it is missing.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Loader.h"
#include "NationalList.h"
#include "PlainSearch.h"
#include "PostalSearch.h"
#include "SearchCommand.h"
#include "SjisConvert.h"

namespace {

std::string Sj(const char* utf8) { return SjisFromUtf8(utf8); }

class NationalSearch : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // A failure here would only skip the tests; it is kept and reported by each test instead.
        FTables = new TPostalTables;
        try {
            LoadPostalFile(*FTables, {}, NationalListFolder());
        } catch (const std::exception& e) {
            FLoadError = e.what();
        }
        FSearch = new TPostalSearch(*FTables);
    }
    void SetUp() override { ASSERT_EQ(FLoadError, "") << "the national list did not load"; }
    static void TearDownTestSuite()
    {
        delete FSearch;
        delete FTables;
    }
    static TPostalTables* FTables;
    static TPostalSearch* FSearch;
    static std::string FLoadError;
};
std::string NationalSearch::FLoadError;
TPostalTables* NationalSearch::FTables = nullptr;
TPostalSearch* NationalSearch::FSearch = nullptr;

// Expected values read off the file by hand.
TEST_F(NationalSearch, FullCodeListsItsTown)
{
    const TSearchResult found = FSearch->ByCode("1000001");
    EXPECT_EQ(found.Lines, std::vector{Sj("100-0001  東京都千代田区千代田")});
    EXPECT_EQ(found.Status, Sj("1件"));
}

TEST_F(NationalSearch, ThreeDigitPrefixListsEveryTownInTableOrder)
{
    const TSearchResult found = FSearch->ByCode("100");
    ASSERT_EQ(found.Lines.size(), 466u);
    EXPECT_EQ(found.Lines.front(), Sj("100-0000  東京都千代田区以下に掲載がない場合"));
    EXPECT_EQ(found.Lines.back(), Sj("100-2211  東京都小笠原村母島"));
    EXPECT_EQ(found.Status, Sj("466件"));
}

TEST_F(NationalSearch, PrefectureAndCityListTheCitysTowns)
{
    const TSearchResult found = FSearch->ByAddress(Sj("東京都千代田区"));
    ASSERT_EQ(found.Lines.size(), 485u);
    EXPECT_EQ(found.Lines.front(), Sj("100-0000  東京都千代田区以下に掲載がない場合"));
    EXPECT_EQ(found.Lines.back(), Sj("102-0085  東京都千代田区六番町"));
    EXPECT_EQ(found.Status, Sj("485件"));
}

TEST_F(NationalSearch, HalfWidthKanaMatchesReadingsAcrossTheTable)
{
    const TSearchResult found = FSearch->ByAddress(Sj("ｵｵﾄﾞｵﾘﾆｼ"));
    ASSERT_EQ(found.Lines.size(), 9u);
    EXPECT_EQ(found.Lines.front(), Sj("060-0042  北海道札幌市中央区大通西（１～１９丁目）"));
    EXPECT_EQ(found.Lines[6], Sj("080-0301  北海道河東郡音更町木野大通西"));
    EXPECT_EQ(found.Lines.back(), Sj("950-1204  新潟県新潟市南区大通西"));
}

TEST_F(NationalSearch, UnknownTownIsShortenedToTheKnownPart)
{
    const TSearchResult found = FSearch->ByAddress(Sj("東京都港区芝公園九九九"));
    EXPECT_EQ(found.Lines, std::vector{Sj("105-0011  東京都港区芝公園")});
    EXPECT_EQ(found.Status, Sj("1件  東京都港区芝公園で検索を行いました"));
}

TEST_F(NationalSearch, PrefectureNameAloneHitsTheCap)
{
    const TSearchResult found = FSearch->ByAddress(Sj("北海道"));
    EXPECT_EQ(found.Lines.size(), 5001u);
    EXPECT_EQ(found.Status, Sj("5000件以上"));
}

// Queries cut from random towns of the file, compared with a plain walk of the tables.
TEST_F(NationalSearch, SameAnswerAsAPlainWalkOfTheTables)
{
    const TPlainSearch plain(*FTables);
    std::mt19937 random(3);
    const std::vector<std::string> tails = {"", Sj("九"), Sj("ｱ"), "-", "z", Sj("東京都")};
    for (int i = 0; i < 40; ++i) {
        const int k = static_cast<int>(random() % 124825);
        const TPostNo town = FTables->Towns[k];
        const Tshi city = FTables->Cities[town.City];
        const TKenmei pref = FTables->Prefs[city.Pref];
        const std::string name(town.Name.substr(0, random() % (town.Name.size() + 1)));
        const std::string kana(town.Kana.substr(0, 2 + random() % 6));
        const std::string tail = tails[random() % tails.size()];
        for (const std::string& query :
             {std::string(pref.Name) + std::string(city.Name) + name + tail, std::string(city.Name) + name + tail,
              name + tail, std::string(pref.Kana) + kana + tail, std::string(city.Kana) + kana}) {
            const TSearchResult fast = FSearch->ByAddress(query);
            const TSearchResult slow = plain.ByAddress(query);
            EXPECT_EQ(fast.Lines, slow.Lines) << Utf8FromSjis(query);
            EXPECT_EQ(fast.Status, slow.Status) << Utf8FromSjis(query);
            EXPECT_EQ(ResultTowns(fast), ResultTowns(slow)) << Utf8FromSjis(query);
        }
        const std::string code(town.Code.substr(0, 1 + random() % 7));
        EXPECT_EQ(FSearch->ByCode(code).Lines, plain.ByCode(code).Lines) << code;
        EXPECT_EQ(ResultTowns(FSearch->ByCode(code)), ResultTowns(plain.ByCode(code))) << code;
    }
}

// One search straight from the file, as harvik-query reads it for a single query: the same
// answer as the search of the loaded tables, for prefixes of every length and both searches.
TEST_F(NationalSearch, SearchOfTheFileAnswersAsTheLoadedTables)
{
    const std::vector<std::string> queries = {"0", "1", "9", "100", "100-0005", "1000005", "0600000", "47", Sj("丸の内")};
    for (const std::string& query : queries) {
        const auto source = OpenFileSource(NationalListPath());
        const TCommandOutcome onData = RunSearchCommandOnData(*source, query);
        const TCommandOutcome loaded = RunSearchCommand(*FSearch, query);
        EXPECT_EQ(onData.Ran, loaded.Ran) << query;
        EXPECT_EQ(onData.Result.Lines, loaded.Result.Lines) << query;
        EXPECT_EQ(onData.Result.Status, loaded.Result.Status) << query;
        EXPECT_FALSE(loaded.Result.Lines.empty()) << query;
    }
}

}  // namespace
