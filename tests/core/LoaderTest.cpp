#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "Errors.h"
#include "Loader.h"
#include "MemorySource.h"
#include "PostalFixture.h"

namespace {

using Fields = std::vector<std::string>;

Fields Split(std::string_view line)
{
    Fields fields{"stale"};
    SplitFields(line, fields);
    return fields;
}

// A line whose used fields name town `town` of city `city` in prefecture `pref` (ASCII stand-ins:
// the loader never looks inside the bytes).
std::string Line(const std::string& code, const std::string& pref, const std::string& city, const std::string& town)
{
    return KenLine({code, pref, city, town, pref + "-kana", city + "-kana", town + "-kana"});
}

// Loads `bytes` through a source that hands out three bytes per read, so every boundary is crossed.
void LoadBytes(TPostalTables& tables, const std::string& bytes, std::vector<int>* progress = nullptr)
{
    TMemorySource source(bytes, 3);
    LoadPostalData(source, tables, [progress](int n) {
        if (progress) progress->push_back(n);
    });
}

// A name made of a letter and a number ("P48"). Built by appending: GCC 12 at -O3 warns falsely about
// a literal added to a temporary string.
std::string Numbered(char letter, int number) { return std::string(1, letter).append(std::to_string(number)); }

template <class F>
std::string MessageOf(F load)
{
    try {
        load();
    } catch (const EHarvikError& e) {
        return e.what();
    }
    return "(no error)";
}

// The code of the input/output error `load` raises, or -1 when it raises none.
template <class F>
int InOutCodeOf(F load)
{
    try {
        load();
    } catch (const EInOutError& e) {
        return e.Code();
    }
    return -1;
}

const std::string ListIndex = "\x83\x8A\x83X\x83g\x82\xCC\x83" "C\x83\x93\x83" "f\x83" "b\x83N\x83X\x82\xAA\x94\xCD\x88\xCD"
                              "\x82\xF0\x92\xB4\x82\xA6\x82\xC4\x82\xA2\x82\xDC\x82\xB7";  // リストのインデックスが範囲を超えています

}  // namespace

TEST(SplitFields, FollowsTheDataFileRules)
{
    struct Case
    {
        std::string_view line;
        Fields fields;
    };
    const Case cases[] = {
        {"a,b,c", {"a", "b", "c"}},
        {"\"a,b\",c", {"a,b", "c"}},                 // a quoted comma stays in the field
        {"\"a\"\"b\"", {"a\"b"}},                    // a doubled quote is one quote
        {"\"\",x", {"", "x"}},                       // two quotes: an empty value
        {"a b,c", {"a", "b", "c"}},                  // a blank ends an unquoted field
        {"a,,b", {"a", "", "b"}},
        {"a,", {"a", ""}},                           // a final comma adds an empty field
        {"a, ", {"a"}},                              // ... but not when blanks follow it
        {"\"ab\"cd,e", {"ab", "cd", "e"}},           // text after a closing quote is a field of its own
        {"\"ab,c", {"ab,c"}},                        // no closing quote: the rest of the line
        {"\"ab\"\"c", {"ab\"c"}},
        {"  a \t,\x01 b", {"a", "b"}},               // blanks and control bytes around fields are skipped
        {"a,b\0,c", {"a", "b"}},                     // a 0x00 byte ends the line
        {"", {}},
        {" \t ", {}},
        {"\"\x83\x5C\",\x95\x5C", {"\x83\x5C", "\x95\x5C"}},  // ソ,表 : 0x5C second bytes pass through
        {"\x83,b", {"\x83,b"}},                      // a lead byte takes the next byte with it, even a comma
        {"\"\x83\"\",x\"", {"\x83\"", "x\""}},       // ... and inside quotes, even a quote
        {"\"a\x1A" "b\"", {"a\x1A" "b"}},            // Ctrl-Z inside a line is data
    };
    for (const Case& c : cases) EXPECT_EQ(Split(c.line), c.fields) << c.line;
}

TEST(SplitFields, KeepsSixteenFieldsOfANationalLayoutLine)
{
    const Fields fields = Split(KenLine({"1000001", "P", "C", "T", "pk", "ck", "tk"}));
    ASSERT_EQ(fields.size(), 15u);
    EXPECT_EQ(fields[1], "100  ");  // quoted blanks are kept
    EXPECT_EQ(fields[2], "1000001");
    EXPECT_EQ(fields[8], "T");
}

class LineReading : public ::testing::Test
{
protected:
    TPostalTables tables;
    const std::string a = Line("1000001", "P1", "C1", "T1");
    const std::string b = Line("1000002", "P1", "C1", "T2");
};

TEST_F(LineReading, LfAndCrLfLoadAlike)
{
    TPostalTables crlf;
    LoadBytes(tables, a + "\n" + b + "\n");
    LoadBytes(crlf, a + "\r\n" + b + "\r\n");
    for (int k : {0, 1, 2}) {
        EXPECT_EQ(tables.Towns[k].Code, crlf.Towns[k].Code);
        EXPECT_EQ(tables.Towns[k].Name, crlf.Towns[k].Name);
    }
    EXPECT_EQ(tables.Towns[1].Name, "T2");
    EXPECT_EQ(crlf.Towns[1].Kana, "T2-kana");
    EXPECT_EQ(crlf.Towns[2].Code, "");
}

TEST_F(LineReading, LastLineWithoutLineEndIsLoaded)
{
    LoadBytes(tables, a + "\r\n" + b);
    EXPECT_EQ(tables.Towns[1].Code, "1000002");
}

TEST_F(LineReading, LoneCarriageReturnIsDroppedFromTheLine)
{
    LoadBytes(tables, KenLine({"1000001", "P", "C", "Mar\runouchi", "", "", ""}) + "\r\r\n");
    EXPECT_EQ(tables.Towns[0].Name, "Marunouchi");
    EXPECT_EQ(tables.Towns[1].Code, "");
}

TEST_F(LineReading, CtrlZAtALineStartEndsTheInput)
{
    LoadBytes(tables, a + "\r\n\x1A" + "garbage,\"\r\n" + b + "\r\n");
    EXPECT_EQ(tables.Towns[0].Code, "1000001");
    EXPECT_EQ(tables.Towns[1].Code, "");
}

TEST_F(LineReading, CtrlZInsideALineIsData)
{
    LoadBytes(tables, KenLine({"1000001", "P", "C", "T\x1A", "", "", ""}) + "\r\n" + b);
    EXPECT_EQ(tables.Towns[0].Name, "T\x1A");
    EXPECT_EQ(tables.Towns[1].Code, "1000002");
}

TEST_F(LineReading, EmptyFileLoadsNothingWithoutError)
{
    LoadBytes(tables, "");
    EXPECT_EQ(tables.Prefs[0].Name, "");
    EXPECT_EQ(tables.Towns[0].Code, "");
}

TEST_F(LineReading, VeryLongLineIsReadWhole)
{
    const std::string town(3'000'000, 'x');  // longer than the reader's first buffer
    LoadBytes(tables, a + "\n" + KenLine({"1000003", "P1", "C1", town, "", "", ""}) + "\n" + b);
    EXPECT_EQ(tables.Towns[1].Name, town);
    EXPECT_EQ(tables.Towns[2].Code, "1000002");
}

// The reader keeps about one block of the file at a time: lines, line ends and a line longer than a
// block fall across its reads wherever the source's reads end, and the tables come out the same.
TEST_F(LineReading, FileOfManyBlocksLoadsAlikeWhateverTheReadSizes)
{
    std::string file;
    for (int i = 0; i < 30000; ++i) {
        const std::string town = i == 15000 ? std::string(600'000, 'x') : Numbered('T', i);
        const std::string pref = Numbered('P', i / 1000), city = Numbered('C', i / 10);
        file += i % 1000 == 999 ? "0,1,1000900,3,4,5," + pref + "," + city + ", spaced"
                                : Line(Numbered('1', 100000 + i), pref, city, town);
        file += i % 3 == 0 ? "\n" : "\r\n";
    }
    TMemorySource whole(file, file.size());
    LoadPostalData(whole, tables);
    for (const std::size_t chunk : {std::size_t{4093}, std::size_t{100'003}}) {
        TPostalTables other;
        TMemorySource source(file, chunk);
        LoadPostalData(source, other);
        for (int k = 0; k <= 30000; ++k) {
            ASSERT_EQ(tables.Towns[k].Code, other.Towns[k].Code) << chunk << " " << k;
            ASSERT_EQ(tables.Towns[k].Name, other.Towns[k].Name) << chunk << " " << k;
            ASSERT_EQ(tables.Towns[k].Kana, other.Towns[k].Kana) << chunk << " " << k;
            ASSERT_EQ(tables.Towns[k].City, other.Towns[k].City) << chunk << " " << k;
        }
    }
    EXPECT_EQ(tables.Towns[15000].Name.size(), 600'000u);
    EXPECT_EQ(tables.Towns[29998].Name, "T29998");
    EXPECT_EQ(tables.Towns[999].Name, "spaced");
    EXPECT_EQ(tables.Towns[30000].Code, "");
}

// 400 lines, nearly all of the plain shape, every 50th of another (a blank, doubled quotes, a tab,
// a lone CR), LF and CR LF mixed.
std::string MixedFile()
{
    std::string file;
    const std::string odd[] = {"0,1,1000900,3,4,5,P2,C9, spaced", "0,1,\"1000901\",3,4,5,\"P2\",\"C9\",\"say \"\"hi\"\"\"",
                               "0,1,1000902,3,4,5,P2,C9,T\t", "0,1,1000903,3,4,5,P2,C9,T\rU"};
    for (int i = 0; i < 400; ++i) {
        file += i % 50 == 49 ? odd[static_cast<std::size_t>(i / 50) % 4]
                             : Line(Numbered('1', 100000 + i), Numbered('P', i / 100), Numbered('C', i / 7), Numbered('T', i));
        file += i % 3 == 0 ? "\n" : "\r\n";
    }
    return file;
}

void ExpectSameTables(const TPostalTables& tables, const TPostalTables& careful)
{
    for (int k = 0; k <= 400; ++k) {
        EXPECT_EQ(tables.Towns[k].Code, careful.Towns[k].Code) << k;
        EXPECT_EQ(tables.Towns[k].Name, careful.Towns[k].Name) << k;
        EXPECT_EQ(tables.Towns[k].Kana, careful.Towns[k].Kana) << k;
        EXPECT_EQ(tables.Towns[k].City, careful.Towns[k].City) << k;
    }
    for (int k = 0; k <= 60; ++k) {
        EXPECT_EQ(tables.Cities[k].Name, careful.Cities[k].Name) << k;
        EXPECT_EQ(tables.Cities[k].FirstTown, careful.Cities[k].FirstTown) << k;
    }
    for (int k = 0; k < 49; ++k) EXPECT_EQ(tables.Prefs[k].FirstCity, careful.Prefs[k].FirstCity) << k;
    EXPECT_EQ(tables.Towns[99].Name, "say \"hi\"");  // the careful lines are there
    EXPECT_EQ(tables.Towns[199].Name, "TU");            // a lone CR is dropped
}

// Read whole, nearly every line takes the quick scan; read three bytes at a time, every line takes
// the careful reader and splitter. Both must fill the same tables.
TEST_F(LineReading, QuickAndCarefulPathsFillTheSameTables)
{
    const std::string file = MixedFile();
    TMemorySource whole(file, file.size());
    LoadPostalData(whole, tables);
    TPostalTables careful;
    LoadBytes(careful, file);
    ExpectSameTables(tables, careful);
}

class TableShape : public ::testing::Test
{
protected:
    TPostalTables tables;
    std::vector<int> progress;
    void SetUp() override
    {
        LoadBytes(tables,
                  KenFile({
                      Line("0600001", "Hokkaido", "Sapporo", "Kita1"),   // line 0: pref 0, city 0
                      Line("0600002", "Hokkaido", "Sapporo", "Kita2"),   // line 1
                      Line("0600002", "Hokkaido", "Otaru", "Minato"),    // line 2: city 1, same code as line 1
                      Line("0600003", "Hokkaido", "Sapporo", "Kita3"),   // line 3: Sapporo again: city 2
                      Line("1000001", "Tokyo", "Sapporo", "Shibuya"),    // line 4: pref 1, and city 3 although
                                                                         //         the city name did not change
                      Line("1000002", "Tokyo", "Chiyoda", "Marunouchi"), // line 5: city 4
                  }),
                  &progress);
    }
};

TEST_F(TableShape, RunsMakeEntriesInFileOrder)
{
    EXPECT_EQ(tables.Prefs[0].Name, "Hokkaido");
    EXPECT_EQ(tables.Prefs[0].Kana, "Hokkaido-kana");
    EXPECT_EQ(tables.Prefs[1].Name, "Tokyo");
    const std::string_view cities[] = {"Sapporo", "Otaru", "Sapporo", "Sapporo", "Chiyoda"};
    for (int j = 0; j < 5; ++j) EXPECT_EQ(tables.Cities[j].Name, cities[j]) << j;
    EXPECT_EQ(tables.Cities[1].Kana, "Otaru-kana");
    EXPECT_EQ(tables.Towns[2].Code, tables.Towns[1].Code);  // equal codes stay separate entries
    EXPECT_EQ(tables.Towns[5].Name, "Marunouchi");
    EXPECT_EQ(tables.Towns[5].Kana, "Marunouchi-kana");
}

TEST_F(TableShape, ParentAndFirstChildLinks)
{
    EXPECT_EQ(tables.Prefs[0].FirstCity, 0);
    EXPECT_EQ(tables.Prefs[1].FirstCity, 3);
    const int pref[] = {0, 0, 0, 1, 1}, firstTown[] = {0, 2, 3, 4, 5};
    for (int j = 0; j < 5; ++j) {
        EXPECT_EQ(tables.Cities[j].Pref, pref[j]) << j;
        EXPECT_EQ(tables.Cities[j].FirstTown, firstTown[j]) << j;
    }
    const int city[] = {0, 0, 1, 2, 3, 4};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(tables.Towns[k].City, city[k]) << k;
}

TEST_F(TableShape, EntryAfterEachTableEndIsEmpty)
{
    EXPECT_EQ(tables.Prefs[2].Name, "");
    EXPECT_EQ(tables.Prefs[2].FirstCity, 0);
    EXPECT_EQ(tables.Cities[5].Name, "");
    EXPECT_EQ(tables.Cities[5].Pref, 0);
    EXPECT_EQ(tables.Towns[6].Code, "");
    EXPECT_EQ(tables.Towns[6].City, 0);
    EXPECT_EQ(tables.Towns[150000].Code, "");
    EXPECT_EQ(tables.Cities[4000].Name, "");
    EXPECT_EQ(tables.Prefs[48].Kana, "");
}

TEST_F(TableShape, ProgressCountsEachNewPrefecture)
{
    EXPECT_EQ(progress, (std::vector<int>{1, 2}));
}

// Names are compared a word at a time: a single different byte anywhere, at any length, opens a new
// city, and the same bytes again do not.
TEST(NameRuns, OneDifferentByteAnywhereOpensANewEntry)
{
    std::vector<std::string> lines;
    int runs = 0;
    for (std::size_t length = 1; length <= 20; ++length)
        for (std::size_t at = 0; at < length; ++at) {
            std::string name(length, 'a'), other = name;
            other[at] = 'b';
            for (const std::string& city : {name, name, other}) lines.push_back(Line("1000001", "P", city, "T"));
            runs += 2;
        }
    TPostalTables tables;
    LoadLines(tables, lines);
    EXPECT_NE(tables.Cities[runs - 1].Name, "");
    EXPECT_EQ(tables.Cities[runs].Name, "");
    for (std::size_t k = 0; k < lines.size(); k += 3) {
        EXPECT_EQ(tables.Towns[static_cast<int>(k + 1)].City, tables.Towns[static_cast<int>(k)].City) << k;
        EXPECT_EQ(tables.Towns[static_cast<int>(k + 2)].City, tables.Towns[static_cast<int>(k)].City + 1) << k;
    }
}

TEST(TablesBeforeLoad, EveryEntryIsEmpty)
{
    const TPostalTables tables;
    for (int k : {0, 1, 150000}) {
        EXPECT_EQ(tables.Towns[k].Code, "");
        EXPECT_EQ(tables.Towns[k].City, 0);
    }
    EXPECT_EQ(tables.Cities[4000].FirstTown, 0);
    EXPECT_EQ(tables.Prefs[48].Name, "");
}

TEST(TablesMemory, NationalSizedTablesStayCompact)
{
    const TPostalTables tables;
    EXPECT_LT(tables.HeldBytes(), 5u * 1024 * 1024);  // entries only: 150,001 towns at 28 bytes
}

// A pipe-like source tells no size, so the store grows in steps as it fills; once loaded, the spare
// room is given back, all but the few bytes a text may be read beyond. Stored texts from 1 to
// 2 MB a tenth apart: whatever the steps, one of these loads ends just past a step and would
// otherwise keep nearly as much room again.
TEST(TablesMemory, LoadWithoutASizeHintKeepsLittleMoreThanItStores)
{
    const std::string town(50, 'T');  // each line stores its code, its town's name and reading: 109 bytes
    for (int lineCount = 10000; lineCount < 20000; lineCount = lineCount * 11 / 10) {
        std::vector<std::string> lines;
        for (int i = 0; i < lineCount; ++i) lines.push_back(Line(std::to_string(1000000 + i), "P", "C", town));
        TPostalTables tables;
        TMemorySource source(KenFile(lines), 65536);
        LoadPostalData(source, tables);
        const TByteStore& store = TTablesWriter(tables).Bytes();
        EXPECT_LE(store.Capacity(), store.Size() + store.Size() / 8 + 65536) << lineCount << " lines";
        EXPECT_GE(store.Capacity(), store.Size() + TextReadSlack) << lineCount << " lines";
    }
}

class ShortLines : public ::testing::Test
{
protected:
    TPostalTables tables;
    const std::string good = Line("1000001", "P1", "C1", "T1");
};

TEST_F(ShortLines, ReportTheFirstMissingFieldAndStoreNothingOfTheLine)
{
    struct Case
    {
        std::string line;
        int index;
    };
    const Case cases[] = {
        {"", 6},                                     // an empty line has no fields
        {"   ", 6},                                  // nor does a line of blanks
        {"0,1,2,3,4,5", 6},
        {"0,1,2,3,4,5,P2", 7},                       // seven fields: a new prefecture, but not made
        {"0,1,1000009,3,4,5,P2,C2", 8},              // eight fields: no town, no code stored
    };
    for (const Case& c : cases) {
        TPostalTables fresh;
        std::vector<int> steps;
        const std::string message = MessageOf([&] {
            LoadBytes(fresh, good + "\r\n" + c.line + "\r\n" + good + "\r\n", &steps);
        });
        EXPECT_EQ(message, ListIndex + " (" + std::to_string(c.index) + ")") << c.line;
        EXPECT_EQ(fresh.Towns[0].Code, "1000001");
        EXPECT_EQ(fresh.Towns[1].Code, "") << c.line;
        EXPECT_EQ(fresh.Prefs[1].Name, "") << c.line;
        EXPECT_EQ(fresh.Cities[1].Name, "") << c.line;
        EXPECT_EQ(steps, std::vector<int>{1}) << c.line;
    }
}

TEST_F(ShortLines, EmptyLastLineBeforeTheEndStopsAfterEverythingElse)
{
    const std::string message = MessageOf([&] { LoadBytes(tables, good + "\r\n\r\n"); });
    EXPECT_EQ(message, ListIndex + " (6)");
    EXPECT_EQ(tables.Towns[0].Code, "1000001");
}

class Capacity : public ::testing::Test
{
protected:
    TPostalTables tables;
};

TEST_F(Capacity, FiftiethPrefectureStopsTheLoadWithEverythingBeforeIt)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 50; ++i) lines.push_back(Line(std::to_string(1000010 + i), Numbered('P', i), "C", "T"));
    const std::string message = MessageOf([&] { LoadLines(tables, lines); });
    EXPECT_NE(message.find(" 50 "), std::string::npos) << message;  // names the line
    EXPECT_NE(message.find(" 49 "), std::string::npos) << message;  // and the limit
    EXPECT_EQ(tables.Prefs[48].Name, "P48");
    EXPECT_EQ(tables.Towns[48].Code, "1000058");
    EXPECT_EQ(tables.Towns[49].Code, "");
    EXPECT_EQ(tables.Cities[49].Name, "");
}

TEST_F(Capacity, CityAndLineLimits)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 4002; ++i) lines.push_back(Line("1000001", "P", Numbered('C', i), "T"));
    EXPECT_NE(MessageOf([&] { LoadLines(tables, lines); }).find(" 4001 "), std::string::npos);
    EXPECT_EQ(tables.Cities[4000].Name, "C4000");
    EXPECT_EQ(tables.Towns[4000].City, 4000);
    EXPECT_EQ(tables.Towns[4001].Code, "");

    TPostalTables full;
    std::string file;
    const std::string line = Line("1000001", "P", "C", "T") + "\n";
    for (int i = 0; i < 150002; ++i) file += line;
    EXPECT_NE(MessageOf([&] { LoadBytes(full, file); }).find(" 150002 "), std::string::npos);
    EXPECT_EQ(full.Towns[150000].Code, "1000001");
}

class ReadFailures : public ::testing::Test
{
protected:
    TPostalTables tables;
    const std::string line = Line("1000001", "P1", "C1", "T1") + "\r\n";
};

TEST_F(ReadFailures, FailureMidFileKeepsEarlierLinesAndClosesTheFile)
{
    TMemorySource source(line + line + line, 3);
    source.FailReadAt(line.size() + 10, 5);
    try {
        LoadPostalData(source, tables);
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Code(), 5);
        EXPECT_EQ(std::string(e.what()), InOutMessage(5));
    }
    EXPECT_EQ(source.CloseCount(), 1);
    EXPECT_EQ(tables.Towns[0].Code, "1000001");
    EXPECT_EQ(tables.Towns[1].Code, "");
}

TEST_F(ReadFailures, CloseFailureIsReportedAfterACompleteLoad)
{
    TMemorySource source(line, 64);
    source.FailClose(101);
    EXPECT_EQ(InOutCodeOf([&] { LoadPostalData(source, tables); }), 101);
    EXPECT_EQ(tables.Towns[0].Code, "1000001");
}

TEST_F(ReadFailures, TheFailureThatStoppedTheLoadWinsOverAFailedClose)
{
    TMemorySource source(line + "x\r\n", 64);
    source.FailClose(101);
    EXPECT_THROW(LoadPostalData(source, tables), EListIndexError);
    EXPECT_EQ(source.CloseCount(), 1);
}

TEST(InOutMessage, ChosenByCode)
{
    struct Case
    {
        int code;
        std::string message;
    };
    const Case cases[] = {
        {2, "\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1"},  // ファイルが見つかりません
        {3, "\x95s\x90\xB3\x82\xC8\x83t\x83@\x83" "C\x83\x8B\x96\xBC\x82\xC5\x82\xB7"},                    // 不正なファイル名です
        {101, "\x83" "f\x83" "B\x83X\x83N\x82\xAA\x82\xA2\x82\xC1\x82\xCF\x82\xA2\x82\xC5\x82\xB7"},        // ディスクがいっぱいです
        {32, "I/O \x83G\x83\x89\x81[ (32)"},                                                              // I/O エラー (32)
        {1, "I/O \x83G\x83\x89\x81[ (1)"},
    };
    for (const Case& c : cases) EXPECT_EQ(InOutMessage(c.code), c.message) << c.code;
    EXPECT_EQ(InOutCodeFromErrno(ENOENT), 2);
    EXPECT_EQ(InOutCodeFromErrno(EMFILE), 4);
    EXPECT_EQ(InOutCodeFromErrno(EACCES), 5);
    const EInOutError io = EInOutError::FromErrno(EIO);  // errno 5 is not "access denied"
    EXPECT_EQ(std::string(io.what()), "I/O \x83G\x83\x89\x81[ (5)");
    EXPECT_EQ(EInOutError::FromErrno(EACCES).Code(), 5);
    EXPECT_EQ(std::string(EInOutError::FromErrno(ENOENT).what()), InOutMessage(2));
}

class DataFileLookup : public ::testing::Test
{
protected:
    std::filesystem::path folder;
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "harvik-lookup-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    void Write(const std::string& name, const std::string& code)
    {
        std::ofstream(folder / name, std::ios::binary) << Line(code, "P", "C", "T") << "\r\n";
    }
};

TEST_F(DataFileLookup, MissingFileIsCodeTwoAndLeavesTablesEmpty)
{
    TPostalTables tables;
    EXPECT_EQ(InOutCodeOf([&] { LoadPostalFile(tables, {}, folder.string()); }), 2);
    EXPECT_EQ(tables.Towns[0].Code, "");
}

TEST_F(DataFileLookup, FindsTheNameRegardlessOfCaseButPrefersTheExactName)
{
    Write("KEN_ALL.CSV", "1111111");
    TPostalTables upper;
    LoadPostalFile(upper, {}, folder.string());
    EXPECT_EQ(upper.Towns[0].Code, "1111111");

    Write("Ken_all.csv", "2222222");
    TPostalTables exact;
    LoadPostalFile(exact, {}, folder.string());
    EXPECT_EQ(exact.Towns[0].Code, "2222222");
}

TEST_F(DataFileLookup, AFolderInPlaceOfTheFileIsRefused)
{
    std::filesystem::create_directory(folder / "Ken_all.csv");
    TPostalTables tables;
    EXPECT_EQ(InOutCodeOf([&] { LoadPostalFile(tables, {}, folder.string()); }), 5);
}
