#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "PlainSearch.h"
#include "PostalFixture.h"
#include "PostalSearch.h"
#include "SharedSearch.h"
#include "SjisConvert.h"

namespace {

std::string Sj(const char* utf8) { return SjisFromUtf8(utf8); }

std::string Line(const char* code, const char* pref, const char* city, const char* town, const char* prefKana,
                 const char* cityKana)
{
    return KenLine({code, Sj(pref), Sj(city), Sj(town), Sj(prefKana), Sj(cityKana), Sj("ﾏﾁ")});
}

std::vector<std::string> Lines(std::initializer_list<const char*> utf8)
{
    std::vector<std::string> lines;
    for (const char* line : utf8) lines.push_back(Sj(line));
    return lines;
}

// Three prefectures; Hokkaido and Tokyo each have a city named 中央区.
class AddressSearch : public TSharedSearch<AddressSearch>
{
public:
    static std::vector<std::string> DataLines()
    {
        return {
            Line("0600001", "北海道", "中央区", "北一条", "ﾎｯｶｲﾄﾞｳ", "ﾁｭｳｵｳｸ"),     // town 0
            Line("0600001", "北海道", "中央区", "南一条", "ﾎｯｶｲﾄﾞｳ", "ﾁｭｳｵｳｸ"),     // 1: same code as 0
            Line("0600001", "北海道", "中央区", "北二条", "ﾎｯｶｲﾄﾞｳ", "ﾁｭｳｵｳｸ"),     // 2
            Line("0400001", "北海道", "函館市", "元町", "ﾎｯｶｲﾄﾞｳ", "ﾊｺﾀﾞﾃｼ"),       // 3
            Line("1000001", "東京都", "千代田区", "大手町", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ"),     // 4
            Line("1000001", "東京都", "千代田区", "一丁目", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ"),     // 5: same code as 4
            Line("1000001", "東京都", "千代田区", "二丁目", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ"),     // 6
            Line("1000002", "東京都", "千代田区", "丸の内", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ"),     // 7
            Line("1000003", "東京都", "千代田区", "丸の内急行", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ"), // 8: 急 is 8B 7D
            Line("1040061", "東京都", "中央区", "銀座", "ﾄｳｷｮｳﾄ", "ﾁｭｳｵｳｸ"),       // 9
            Line("1050011", "東京都", "港区", "芝公園", "ﾄｳｷｮｳﾄ", "ﾐﾅﾄｸ"),         // 10
            Line("", "東京都", "港区", "芝公園別館", "ﾄｳｷｮｳﾄ", "ﾐﾅﾄｸ"),            // 11: no code
            Line("6000001", "京都府", "京都市", "四条", "ｷｮｳﾄﾌ", "ｷｮｳﾄｼ"),         // 12
            Line("6000001", "京都府", "京都市", "五条", "ｷｮｳﾄﾌ", "ｷｮｳﾄｼ"),         // 13
            Line("6000001", "京都府", "京都市", "四条西", "ｷｮｳﾄﾌ", "ｷｮｳﾄｼ"),       // 14
            Line("6000001", "京都府", "京都市", "七条", "ｷｮｳﾄﾌ", "ｷｮｳﾄｼ"),         // 15
            Line("6000002", "京都府", "京都市", "八条", "ｷｮｳﾄﾌ", "ｷｮｳﾄｼ"),         // 16
        };
    }

protected:
    static TSearchResult Find(const char* utf8) { return FSearch->ByAddress(Sj(utf8)); }
};

TEST_F(AddressSearch, PrefectureByNameOrReadingNarrowsTheCityWalk)
{
    // Tokyo's 中央区 is found because the walk starts at Tokyo's first city, not at Hokkaido's 中央区.
    const std::vector<std::string> ginza = Lines({"104-0061  東京都中央区銀座"});
    EXPECT_EQ(Find("東京都中央区").Lines, ginza);
    EXPECT_EQ(Find("ﾄｳｷｮｳﾄﾁｭｳｵｳｸ").Lines, ginza);  // the reading is removed; the line shows kanji
    EXPECT_EQ(Find("東京都中央区").Status, Sj("1件"));
}

TEST_F(AddressSearch, QueryThatIsExactlyAPrefectureNameListsThatPrefecture)
{
    const std::vector<std::string> kyoto =
        Lines({"600-0001  京都府京都市四条", "600-0001  京都府京都市五条", "600-0001  京都府京都市四条西",
               "600-0001  京都府京都市七条", "600-0002  京都府京都市八条"});
    EXPECT_EQ(Find("京都府").Lines, kyoto);
    EXPECT_EQ(Find("ｷｮｳﾄﾌ").Lines, kyoto);
    EXPECT_EQ(Find("東京都").Lines.size(), 7u);  // towns 4-10; town 11 has no code
}

TEST_F(AddressSearch, RecognisedPrefectureConfinesTheScan)
{
    // 丸の内 exists only in Tokyo: Hokkaido's scan finds nothing until the working query is
    // "北海道" and the first byte of 丸 (8A), which begins 海 in every Hokkaido address.
    const TSearchResult found = Find("北海道丸の内");
    EXPECT_EQ(found.Lines, Lines({"060-0001  北海道中央区北一条", "060-0001  北海道中央区南一条",
                                  "060-0001  北海道中央区北二条", "040-0001  北海道函館市元町"}));
    EXPECT_EQ(found.Status, Sj("4件  北海道") + "\x8A" + Sj("で検索を行いました"));
    EXPECT_EQ(found.Shortened, Sj("北海道") + "\x8A");
}

TEST_F(AddressSearch, CityNameAnywhereInTheQueryNarrowsToTheFirstSuchCity)
{
    EXPECT_EQ(Find("道函館市").Lines, Lines({"040-0001  北海道函館市元町"}));
    // Without a prefecture the first 中央区 in table order (Hokkaido's) wins, so Tokyo's 銀座 is
    // never listed although its address contains the whole query.
    const TSearchResult found = Find("中央区銀座");
    EXPECT_EQ(found.Lines, Lines({"060-0001  北海道中央区北一条", "060-0001  北海道中央区南一条",
                                  "060-0001  北海道中央区北二条"}));
    EXPECT_EQ(found.Status, Sj("3件  中央区で検索を行いました"));
}

TEST_F(AddressSearch, FollowersSharingTheCodeGiveContinuationLines)
{
    EXPECT_EQ(Find("千代田区大手町").Lines,
              Lines({"100-0001  東京都千代田区大手町", "              一丁目", "              二丁目"}));
    // A follower that matches gives a result line and the chain goes on after it.
    EXPECT_EQ(Find("四条").Lines, Lines({"600-0001  京都府京都市四条", "              五条",
                                        "600-0001  京都府京都市四条西", "              七条"}));
    EXPECT_EQ(Find("四条").Status, Sj("4件"));
    const std::vector<TListedTown> shown = {{12, false}, {13, true}, {14, false}, {15, true}};
    EXPECT_EQ(Find("四条").Towns, shown);
    EXPECT_EQ(Find("四条").Shortened, "");
}

TEST_F(AddressSearch, TownsZeroAndOneNeverContinue)
{
    // Town 1 shares town 0's code but does not continue it, so the chain never starts.
    EXPECT_EQ(Find("北一条").Lines, Lines({"060-0001  北海道中央区北一条"}));
}

TEST_F(AddressSearch, TownWithoutCodeGivesNoLine)
{
    EXPECT_EQ(Find("芝公園").Lines, Lines({"105-0011  東京都港区芝公園"}));
}

TEST_F(AddressSearch, ShortenedQueryEndingInALeadByteMatchesAnyCharacterWithIt)
{
    // 九 is 8B E3; the working query keeps its first byte 8B, which also begins 急 (8B 7D).
    const TSearchResult found = Find("千代田区丸の内九");
    EXPECT_EQ(found.Lines, Lines({"100-0003  東京都千代田区丸の内急行"}));
    EXPECT_EQ(found.Status, Sj("1件  千代田区丸の内") + "\x8B" + Sj("で検索を行いました"));
}

TEST_F(AddressSearch, NothingFoundShowsTheCountAlone)
{
    for (const std::string& query : {std::string(), std::string("z"), std::string("zzzz"), Sj("ソ表")}) {
        const TSearchResult found = FSearch->ByAddress(query);
        EXPECT_TRUE(found.Lines.empty()) << query;
        EXPECT_EQ(found.Status, Sj("0件")) << query;
    }
}

TEST_F(AddressSearch, LongPastedTextIsShortenedToWhatItBeginsWith)
{
    const std::string query = Sj("千代田区丸の内") + std::string(200000, 'z');
    const TSearchResult found = FSearch->ByAddress(query);
    EXPECT_EQ(found.Lines, Lines({"100-0002  東京都千代田区丸の内", "100-0003  東京都千代田区丸の内急行"}));
    EXPECT_EQ(found.Status, Sj("2件  千代田区丸の内で検索を行いました"));
}

TEST_F(AddressSearch, SameAnswerAsAPlainWalkOfTheTables)
{
    const TPlainSearch plain(*FTables);
    std::vector<std::string> pieces;
    for (const char* text : {"北海道", "東京都", "京都府", "ﾎｯｶｲﾄﾞｳ", "ﾄｳｷｮｳﾄ", "中央区", "千代田区", "函館市", "港区",
                             "京都市", "ﾁﾖﾀﾞｸ", "ﾐﾅﾄｸ", "大手町", "丸の内", "急行", "四条", "芝公園", "元町", "ﾏﾁ", "九", "z"})
        pieces.push_back(Sj(text));
    std::mt19937 random(7);
    for (int i = 0; i < 400; ++i) {
        std::string query;
        const int count = 1 + static_cast<int>(random() % 3);
        for (int j = 0; j < count; ++j) query += pieces[random() % pieces.size()];
        query.resize(query.size() - random() % std::min<std::size_t>(3, query.size()));  // sometimes mid-character
        const TSearchResult fast = FSearch->ByAddress(query);
        const TSearchResult slow = plain.ByAddress(query);
        EXPECT_EQ(fast.Lines, slow.Lines) << Utf8FromSjis(query);
        EXPECT_EQ(fast.Status, slow.Status) << Utf8FromSjis(query);
        EXPECT_EQ(ResultTowns(fast), ResultTowns(slow)) << Utf8FromSjis(query);
    }
}

// 5002 towns in one city: the first 5000 are named 甲, the last two 乙.
class AddressSearchCap : public TSharedSearch<AddressSearchCap>
{
public:
    static std::vector<std::string> DataLines()
    {
        std::vector<std::string> lines;
        for (int i = 0; i < 5002; ++i)
            lines.push_back(Line(std::to_string(1000000 + i).c_str(), "東京都", "千代田区", i < 5000 ? "甲" : "乙",
                                 "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ"));
        return lines;
    }
};

TEST_F(AddressSearchCap, FiveThousandLinesAreCountedAndOneMoreStopsTheScan)
{
    const TSearchResult exactly = FSearch->ByAddress(Sj("千代田区甲"));
    EXPECT_EQ(exactly.Lines.size(), 5000u);
    EXPECT_EQ(exactly.Status, Sj("5000件"));
    EXPECT_FALSE(exactly.Capped);

    const TSearchResult over = FSearch->ByAddress(Sj("千代田区"));
    ASSERT_EQ(over.Lines.size(), 5001u);
    EXPECT_EQ(over.Lines.back(), Sj("100-5000  東京都千代田区乙"));
    EXPECT_EQ(over.Status, Sj("5000件以上"));
    EXPECT_TRUE(over.Capped);
    EXPECT_EQ(over.Towns.back(), (TListedTown{5000, false}));

    // Found by a shortened query: the cap's text, then the working query.
    EXPECT_EQ(FSearch->ByAddress(Sj("千代田区丙")).Status, Sj("5000件以上  千代田区で検索を行いました"));
}

// Shapes the national list never has: 49 prefectures (it has 47), one town each, and a first town
// whose code is eleven bytes long.
class AddressSearchUnusualData : public TSharedSearch<AddressSearchUnusualData>
{
public:
    static std::vector<std::string> DataLines()
    {
        std::vector<std::string> lines = {Line("12345678901", "東京都", "千代田区", "丸の内", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ")};
        for (int i = 1; i < 49; ++i) {
            const std::string n = std::to_string(100 + i).substr(1);  // two digits: no name begins another
            lines.push_back(KenLine({std::to_string(1000000 + i), "P" + n, "C" + n, "T" + n, "", "", ""}));
        }
        return lines;
    }
};

TEST_F(AddressSearchUnusualData, OnlyPrefectureEntries0To47AreRecognised)
{
    const TSearchResult last = FSearch->ByAddress("P47T47");  // recognised, so T47 is looked for in P47
    EXPECT_EQ(last.Lines, std::vector<std::string>{"100-0047  P47C47T47"});
    EXPECT_EQ(last.Status, Sj("1件"));
    const TSearchResult beyond = FSearch->ByAddress("P48T48");  // not recognised: found only once shortened
    EXPECT_EQ(beyond.Lines, std::vector<std::string>{"100-0048  P48C48T48"});
    EXPECT_EQ(beyond.Status, Sj("1件  P48で検索を行いました"));
}

TEST_F(AddressSearchUnusualData, CodeLongerThanTenBytesLeavesTheAddressWhole)
{
    const TSearchResult found = FSearch->ByAddress(Sj("東京都"));
    EXPECT_EQ(found.Lines, Lines({"123-4567890  東京都千代田区丸の内"}));
    EXPECT_EQ(found.Status, Sj("1件"));
}

// Tables written directly, with bytes no data file in the national layout holds: second bytes that
// look like ASCII or a hyphen, names ending in a lead byte, small alphabets so that texts overlap,
// codes repeated so that continuation chains form.
TEST(AddressSearchRandomTables, SameAnswerAsAPlainWalkOfTheTables)
{
    std::mt19937 random(11);
    const std::vector<std::string> alphabet = {"\x83\x5C", "\x95\x5C", "\x81\x2D", "\\", "-", "A", "\xB1", "\x93\x8C",
                                               "\x8B\x9E", "\x8B"};
    const auto text = [&](int most) {
        std::string s;
        const int length = static_cast<int>(random() % static_cast<unsigned>(most + 1));
        for (int i = 0; i < length; ++i) s += alphabet[random() % alphabet.size()];
        return s;
    };
    // Codes that share their first eight bytes, or are beginnings of one another.
    const std::vector<std::string> codes = {"", "0", "1", "1", "12", "12345678", "123456789", "1234567890", "12345679"};
    for (int round = 0; round < 6; ++round) {
        TPostalTables tables;
        TTablesWriter writer(tables);
        int pref = -1, city = -1;
        const int towns = 20 + static_cast<int>(random() % 40);
        for (int k = 0; k < towns; ++k) {
            if (pref < 0 || (pref < 47 && random() % 8 == 0)) {
                ++pref;
                writer.Pref(pref) = {writer.Store(text(2)), writer.Store(text(2)), city + 1};
            }
            if (city < 0 || writer.Pref(pref).FirstCity == city + 1 || random() % 4 == 0) {
                ++city;
                writer.City(city) = {writer.Store(text(2)), writer.Store(text(2)), pref, k};
            }
            const std::string code = codes[random() % codes.size()];
            writer.Town(k) = {writer.Store(code), writer.Store(text(3)), writer.Store(text(3)), city};
        }
        const TPostalSearch fast(tables);
        const TPlainSearch plain(tables);
        for (int i = 0; i < 150; ++i) {
            std::string query = text(6);
            if (random() % 8 == 0) query.insert(random() % (query.size() + 1), 1, '\0');  // only a query can hold it
            EXPECT_EQ(fast.ByAddress(query).Lines, plain.ByAddress(query).Lines) << round << " " << query;
            EXPECT_EQ(fast.ByAddress(query).Status, plain.ByAddress(query).Status) << round << " " << query;
            EXPECT_EQ(ResultTowns(fast.ByAddress(query)), ResultTowns(plain.ByAddress(query))) << round << " " << query;
            const std::string code = codes[random() % codes.size()].substr(0, 1 + random() % 10);
            EXPECT_EQ(fast.ByCode(code).Lines, plain.ByCode(code).Lines) << code;
            EXPECT_EQ(ResultTowns(fast.ByCode(code)), ResultTowns(plain.ByCode(code))) << code;
        }
    }
}

}  // namespace

namespace {

// Random tables written directly, as the previous test writes them, with three choices: whether each
// town's Name is stored before its Kana and after the town before it (as the loader stores them,
// so the searches scan the store itself) or scattered, whether towns with neither a Name nor a Kana
// occur (the search then keeps where each town's texts begin apart from the table), and codes of
// seven digits among the others.
struct TRandomTables
{
    TPostalTables Tables;
    std::vector<std::string> Addresses, Readings;  // each town's full address and reading

    TRandomTables(std::mt19937& random, bool laidOut, bool blankTowns = true)
    {
        const std::vector<std::string> alphabet = {"\x83\x5C", "\x95\x5C", "\x81\x2D", "\\", "-", "A", "\xB1",
                                                   "\x93\x8C", "\x8B\x9E", "\x8B"};
        const auto text = [&](int most) {
            std::string s;
            const int length = static_cast<int>(random() % static_cast<unsigned>(most + 1));
            for (int i = 0; i < length; ++i) s += alphabet[random() % alphabet.size()];
            return s;
        };
        const std::vector<std::string> codes = {"", "1", "12", "1000001", "1000001", "1000002", "1001000",
                                                "1010000", "0600001", "12345678", "100000A"};
        TTablesWriter writer(Tables);
        int pref = -1, city = -1;
        const int towns = 20 + static_cast<int>(random() % 60);
        for (int k = 0; k < towns; ++k) {
            if (pref < 0 || (pref < 47 && random() % 8 == 0)) {
                ++pref;
                writer.Pref(pref) = {writer.Store(text(2)), writer.Store(text(2)), city + 1};
            }
            if (city < 0 || writer.Pref(pref).FirstCity == city + 1 || random() % 4 == 0) {
                ++city;
                writer.City(city) = {writer.Store(text(2)), writer.Store(text(2)), pref, k};
            }
            TStoredPostNo& town = writer.Town(k);
            town.Code = writer.Store(codes[random() % codes.size()]);
            const std::string name = text(3), kana = name.empty() && !blankTowns ? "\xB1" + text(2) : text(3);
            if (laidOut) {
                town.Name = writer.Store(name);
                town.Kana = writer.Store(kana);
            } else {
                town.Kana = writer.Store(kana);
                town.Name = writer.Store(name);
            }
            town.City = city;
            const TKenmei p = Tables.Prefs[pref];
            const Tshi c = Tables.Cities[city];
            Addresses.push_back(std::string(p.Name).append(c.Name).append(name));
            Readings.push_back(std::string(p.Kana).append(c.Kana).append(kana));
        }
    }

    // A piece of some town's full address or reading: often one that runs from the prefecture's or
    // the city's name into the town's.
    std::string PieceOfSomeText(std::mt19937& random) const
    {
        const std::size_t town = random() % Addresses.size();
        const std::string& text = random() % 2 == 0 ? Addresses[town] : Readings[town];
        if (text.empty()) return "A";
        const std::size_t start = random() % text.size();
        return text.substr(start, 1 + random() % (text.size() - start));
    }
};

}  // namespace

// The address search scans the store where the towns' texts lie in table order, and each town on
// its own where they do not: the answers are the plain walk's either way, also for matches that begin
// in the prefecture's or the city's name and end in the town's, behind a lone lead byte.
TEST(AddressSearchLayouts, SameAnswerAsAPlainWalkWhereverTheTownsTextsLie)
{
    std::mt19937 random(5);
    for (const auto& [laidOut, blankTowns] : {std::pair{true, true}, {true, false}, {false, true}}) {
        for (int round = 0; round < 4; ++round) {
            const TRandomTables data(random, laidOut, blankTowns);
            const TPostalSearch fast(data.Tables);
            const TPlainSearch plain(data.Tables);
            for (int i = 0; i < 150; ++i) {
                const std::string query = data.PieceOfSomeText(random) + (random() % 4 == 0 ? "\xB1" : "");
                const TSearchResult found = fast.ByAddress(query), expected = plain.ByAddress(query);
                EXPECT_EQ(found.Lines, expected.Lines) << laidOut << blankTowns << " " << round << " " << query;
                EXPECT_EQ(found.Status, expected.Status) << laidOut << blankTowns << " " << round << " " << query;
                EXPECT_EQ(ResultTowns(found), ResultTowns(expected)) << laidOut << blankTowns << " " << round << " " << query;
            }
        }
    }
}

// Data files of a few lines through the loader: what it notes of the towns as it fills the tables
// gives the address index that reading every town gives, with empty names, codes and readings,
// cities and prefectures of one line or many, and towns before the first prefecture.
TEST(AddressIndexNotes, SameIndexAsReadingEveryTown)
{
    std::mt19937 random(17);
    const std::vector<std::string> texts = {"", "A", "\xB1\xB2", "\x93\x8C\x8B\x9E", "\x8A\xDB\x82\xCC\x93\xE0", "-"};
    const auto pick = [&] { return texts[random() % texts.size()]; };
    const std::vector<std::string> codes = {"", "1000001", "1000002", "12"};
    int noted = 0;
    for (int round = 0; round < 60; ++round) {
        std::vector<std::string> lines;
        TKenFields f{codes[random() % codes.size()], pick(), pick(), pick(), pick(), pick(), pick()};
        const int count = 1 + static_cast<int>(random() % 30);
        for (int k = 0; k < count; ++k) {
            if (random() % 5 == 0) f.Pref = pick(), f.PrefKana = pick();
            if (random() % 3 == 0) f.City = pick(), f.CityKana = pick();
            f.Code = codes[random() % codes.size()];
            f.Town = pick(), f.TownKana = pick();
            lines.push_back(KenLine(f));
        }
        TPostalTables tables;
        LoadLines(tables, lines);
        noted += tables.LoadedTowns() != nullptr ? 1 : 0;
        EXPECT_EQ(IndexFromNotesDiffers(tables), "") << round;
    }
    EXPECT_GT(noted, 30);  // most files open a prefecture on their first line
}

// The first code search walks the codes and builds nothing; the next builds the index. Creating the
// searches builds nothing either. All answers are the plain walk's, for codes of seven digits and
// others, and queries of any length.
TEST(CodeSearchIndex, FirstSearchWalksAndLaterSearchesUseTheIndexWithTheSameAnswers)
{
    std::mt19937 random(9);
    const std::vector<std::string> queries = {"0", "1", "10", "100", "1000", "10000", "1000001", "10000010",
                                              "1001", "101", "12", "1234567", "12345678", "100000A", "A", "06"};
    for (int round = 0; round < 6; ++round) {
        const TRandomTables data(random, true);
        const TPlainSearch plain(data.Tables);
        for (const std::string& query : queries) {
            const TPostalSearch search(data.Tables);
            EXPECT_EQ(search.IndexBytes(), 0u);
            const TSearchResult walked = search.ByCode(query);
            EXPECT_EQ(search.IndexBytes(), 0u);
            const TSearchResult indexed = search.ByCode(query);
            EXPECT_GT(search.IndexBytes(), 0u);
            const TSearchResult expected = plain.ByCode(query);
            EXPECT_EQ(walked.Lines, expected.Lines) << round << " " << query;
            EXPECT_EQ(indexed.Lines, expected.Lines) << round << " " << query;
            EXPECT_EQ(indexed.Status, expected.Status) << round << " " << query;
            EXPECT_EQ(ResultTowns(walked), ResultTowns(expected)) << round << " " << query;
            EXPECT_EQ(ResultTowns(indexed), ResultTowns(expected)) << round << " " << query;
        }
    }
}

// A town name of two megabytes of 院 (88 40) searched for "@" (40): a byte-level hit at every second
// byte, none of them at a character start. The search walks the name once; a search that walked it
// from its start for every hit would take hours here, well beyond the test's time limit. A second
// town's name ends in a real "@", which is found.
TEST(AddressSearchLongTexts, TwoMegabyteTownNameIsWalkedOnce)
{
    std::string name;
    while (name.size() < 2 * 1024 * 1024) name += "\x88\x40";
    for (const bool laidOut : {true, false}) {
        TPostalTables tables;
        TTablesWriter writer(tables);
        writer.Pref(0) = {writer.Store(Sj("東京都")), writer.Store(Sj("ﾄｳｷｮｳﾄ")), 0};
        writer.City(0) = {writer.Store(Sj("千代田区")), writer.Store(Sj("ﾁﾖﾀﾞｸ")), 0, 0};
        for (int k = 0; k < 2; ++k) {
            TStoredPostNo& town = writer.Town(k);
            town.Code = writer.Store(k == 0 ? "1000001" : "1000002");
            const std::string own = k == 0 ? name : name + "@";
            if (laidOut) {
                town.Name = writer.Store(own);
                town.Kana = writer.Store(Sj("ｲﾝ"));
            } else {
                town.Kana = writer.Store(Sj("ｲﾝ"));
                town.Name = writer.Store(own);
            }
        }
        const TPostalSearch search(tables);
        const TSearchResult found = search.ByAddress("@");
        ASSERT_EQ(found.Lines.size(), 1u) << laidOut;
        EXPECT_TRUE(found.Lines[0].starts_with("100-0002  ")) << laidOut;
        EXPECT_EQ(found.Status, Sj("1件")) << laidOut;
        // Shortened down to "@@", each attempt walks the names once more.
        EXPECT_EQ(search.ByAddress("@@@").Status, Sj("0件")) << laidOut;
    }
}
