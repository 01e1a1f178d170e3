// Loading with the lines split between two threads must give exactly what one thread gives: the same
// entries, the same failure on the same line, the same progress calls. Every test here loads the
// same bytes both ways and compares.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <typeinfo>

#include "Errors.h"
#include "Loader.h"
#include "MemorySource.h"
#include "PostalFixture.h"

namespace {

struct TOutcome
{
    std::string Failure;            // the exception's type and text, or empty
    std::vector<int> Progress;
    std::size_t HelperLines = 0;    // lines the helper thread loaded (two threads, no failure)
};

// Strings here are built by appending to a named string: GCC 12 at -O3 warns falsely about a
// literal added to a temporary one.

// Loads `bytes` with one thread from a source that cannot tell its size (read as lines are needed),
// or split between two threads from one that can (read ahead), `chunk` bytes per read.
TOutcome Load(TPostalTables& tables, const std::string& bytes, bool twoThreads, std::size_t chunk,
              std::optional<std::size_t> failReadAt = {})
{
    TMemorySource source(bytes, chunk);
    if (twoThreads) source.TellSize();
    if (failReadAt) source.FailReadAt(*failReadAt, 5);
    TOutcome outcome;
    try {
        outcome.HelperLines = LoadPostalData(source, tables, [&](int n) { outcome.Progress.push_back(n); },
                                             twoThreads ? 0 : NoParallelLoad);
    } catch (const std::exception& e) {
        outcome.Failure = std::string(typeid(e).name()) + ": " + e.what();
    }
    EXPECT_EQ(source.CloseCount(), 1);
    return outcome;
}

// Compares every entry that `lines` lines can fill, and the one after.
void ExpectSameTables(const TPostalTables& one, const TPostalTables& two, int lines, const std::string& label)
{
    for (int k = 0; k <= std::min(lines, 150000); ++k) {
        const TPostNo a = one.Towns[k], b = two.Towns[k];
        ASSERT_TRUE(a.Code == b.Code && a.Name == b.Name && a.Kana == b.Kana && a.City == b.City)
            << label << ": town " << k << " [" << a.Code << "|" << a.Name << "|" << a.City << "] against [" << b.Code
            << "|" << b.Name << "|" << b.City << "]";
    }
    for (int k = 0; k <= std::min(lines, 4000); ++k) {
        const Tshi a = one.Cities[k], b = two.Cities[k];
        ASSERT_TRUE(a.Name == b.Name && a.Kana == b.Kana && a.Pref == b.Pref && a.FirstTown == b.FirstTown)
            << label << ": city " << k << " [" << a.Name << "|" << a.Pref << "|" << a.FirstTown << "] against ["
            << b.Name << "|" << b.Pref << "|" << b.FirstTown << "]";
    }
    for (int k = 0; k < 49; ++k) {
        const TKenmei a = one.Prefs[k], b = two.Prefs[k];
        ASSERT_TRUE(a.Name == b.Name && a.Kana == b.Kana && a.FirstCity == b.FirstCity)
            << label << ": prefecture " << k << " [" << a.Name << "|" << a.FirstCity << "] against [" << b.Name << "|"
            << b.FirstCity << "]";
    }
}

// Loads `bytes` both ways and expects the same outcome; returns the two-thread one.
TOutcome ExpectSameAsOneThread(const std::string& bytes, int lines, const std::string& label, std::size_t chunk = 3,
                               std::optional<std::size_t> failReadAt = {})
{
    TPostalTables one, two;
    const TOutcome single = Load(one, bytes, false, chunk, failReadAt);
    const TOutcome split = Load(two, bytes, true, chunk, failReadAt);
    EXPECT_EQ(split.Failure, single.Failure) << label;
    EXPECT_EQ(split.Progress, single.Progress) << label;
    ExpectSameTables(one, two, lines, label);
    return split;
}

std::string Line(const std::string& code, const std::string& pref, const std::string& city, const std::string& town)
{
    return KenLine({code, pref, city, town, pref + "-kana", city + "-kana", town + "-kana"});
}

std::string Numbered(char letter, int number) { return std::string(1, letter).append(std::to_string(number)); }

}  // namespace

TEST(ParallelLoad, LineReadingRulesOnEitherSideOfTheSplit)
{
    const std::string a = Line("1000001", "P1", "C1", "T1"), b = Line("1000002", "P1", "C2", "T2"),
                      c = Line("1000003", "P2", "C2", "T3");
    const struct
    {
        const char* label;
        std::string bytes;
        int lines;
        bool split;  // the helper thread loads lines
    } cases[] = {
        {"LF and CR LF", a + "\n" + b + "\r\n" + c + "\n" + a + "\r\n", 4, true},
        {"no line end at the end", a + "\r\n" + b + "\r\n" + c + "\r\n" + a, 4, true},
        {"lone CR", a + "\r\n" + b + "\r\r\n" + KenLine({"1000009", "P2", "C\r2", "T\r9", "", "", ""}) + "\r\n" + c + "\n", 4, true},
        {"Ctrl-Z in the first half", a + "\r\n\x1A" + b + "\r\n" + c + "\r\n" + c + "\r\n" + c + "\r\n", 4, false},
        {"Ctrl-Z in the second half", a + "\r\n" + b + "\r\n" + c + "\r\n" + c + "\r\n" + c + "\r\n\x1A" + c + "\r\n" + a + "\r\n", 7, true},
        {"Ctrl-Z inside a line", a + "\r\n" + KenLine({"1000004", "P\x1A", "C", "T", "", "", ""}) + "\r\n" + c + "\r\n", 3, true},
        {"0x00 inside a line", a + "\r\n" + b + "\r\n" + std::string("0,1,1000005,3,4,5,P3,C3,T") + '\0' + "x,9" + "\r\n" + c + "\r\n", 4, true},
        {"doubled quotes and lead bytes", a + "\r\n" + KenLine({"1000006", "P1", "C1", "say \"\"hi\"\"", "", "", ""}) +
             "\r\n" + KenLine({"1000007", "\x93\x8C", "\x8B\xE6", "\x81\"", "", "", ""}) + ",x\r\n" + c + "\r\n", 4, true},
        {"short line in the first half", a + "\r\n0,1,2\r\n" + b + "\r\n" + c + "\r\n" + c + "\r\n" + c + "\r\n", 6, false},
        {"short line in the second half", a + "\r\n" + b + "\r\n" + c + "\r\n" + c + "\r\n0,1,2,3,4,5,P9\r\n" + a + "\r\n", 6, false},
        {"empty line in the second half", a + "\r\n" + b + "\r\n" + c + "\r\n\r\n", 4, false},
    };
    for (const auto& c2 : cases) {
        const TOutcome outcome = ExpectSameAsOneThread(c2.bytes, c2.lines, c2.label);
        if (c2.split) {
            EXPECT_GT(outcome.HelperLines, 0u) << c2.label;
        }
    }
}

// The helper's first line may continue the first half's prefecture and city, continue only the
// prefecture, or open both; names may be empty. Small random files put the split everywhere.
TEST(ParallelLoad, RandomFilesGiveTheSameTablesFailuresAndProgress)
{
    std::mt19937 random(20261208);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::string prefs[] = {"P1", "P2", "P3", "", "\x93\x8C\x8B\x9E"};
    const std::string cities[] = {"C1", "C2", "", "\x8D\x60\x8B\xE6"};
    int split = 0;
    for (int round = 0; round < 600; ++round) {
        std::string bytes;
        const int lines = 1 + pick(14);
        for (int i = 0; i < lines; ++i) {
            const int kind = pick(100);
            std::string line;
            if (kind < 2) line = "0,1,2,3";                                    // short
            else if (kind < 3) line = "";                                      // empty
            else if (kind < 4) line = std::string(1, '\x1A').append(Line("1000000", "P1", "C1", "Z"));  // ends the input
            else {
                std::string town = Numbered('T', i);
                if (kind < 8) town += "\"\"q";                                 // doubled quote
                else if (kind < 10) town += "\x81";                            // lead byte takes the quote
                else if (kind < 12) town += "\r";                              // lone CR
                line = Line(Numbered('1', 100000 + i), prefs[pick(5)], cities[pick(4)], town);
                if (kind < 10 && kind >= 8) line += ",tail";
            }
            bytes += line;
            if (i + 1 < lines || pick(4) != 0) bytes += pick(2) == 0 ? "\r\n" : "\n";
        }
        const TOutcome outcome =
            ExpectSameAsOneThread(bytes, lines, std::string("round ").append(std::to_string(round)), 1 + static_cast<std::size_t>(pick(64)));
        if (outcome.HelperLines > 0) ++split;
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(split, 300);  // most files were really split
}

TEST(ParallelLoad, ReadFailureIsRaisedWhereTheLinesReachIt)
{
    std::string bytes;
    for (int i = 0; i < 40; ++i) bytes += Line(Numbered('1', 100000 + i), Numbered('P', i / 10), "C", "T") + "\r\n";
    for (std::size_t at : {std::size_t{10}, bytes.size() / 3, bytes.size() / 2 + 7, bytes.size() - 5})
        ExpectSameAsOneThread(bytes, 40, std::string("read fails at ").append(std::to_string(at)), 4096, at);
}

TEST(ParallelLoad, CapacityLimitsTripOnTheSameLine)
{
    // Each prefecture has two lines, shifted by a line or not, so the split falls inside one
    // prefecture or between two.
    for (int shift : {0, 1}) {
        std::vector<std::string> lines(static_cast<std::size_t>(shift), Line("1000000", "P0", "C", "T"));
        for (int i = 0; i < 50; ++i)
            for (int j = 0; j < 2; ++j) lines.push_back(Line(Numbered('1', 100000 + i), Numbered('P', i), "C", "T"));
        const TOutcome outcome = ExpectSameAsOneThread(KenFile(lines), 101, std::string("prefectures, shift ").append(std::to_string(shift)));
        EXPECT_NE(outcome.Failure.find(" 49 "), std::string::npos) << outcome.Failure;
    }
    std::vector<std::string> cities;
    for (int i = 0; i < 4002; ++i) cities.push_back(Line("1000001", "P", Numbered('C', i), "T"));
    EXPECT_NE(ExpectSameAsOneThread(KenFile(cities), 4002, "cities", 65536).Failure.find(" 4001 "), std::string::npos);

    std::string towns;
    for (int i = 0; i < 150002; ++i) towns += "0,1,1000001,3,4,5,P,C,T\n";
    EXPECT_NE(ExpectSameAsOneThread(towns, 150002, "lines", 1 << 20).Failure.find(" 150002 "), std::string::npos);
}

// A first line longer than everything after it puts all other lines in the helper's half, which then
// holds more than the tables can take on its own and stops early.
TEST(ParallelLoad, HelperHalfBeyondTheTablesStopsWhereOneThreadFails)
{
    const std::string first = Line("1000000", "P0", "C0", std::string(8'000'000, 'x')) + "\n";
    std::string prefs = first, cities = first, towns = first;
    for (int i = 0; i < 52; ++i) prefs += Line("1000001", Numbered('P', i), "C", "T") + "\n";
    for (int i = 0; i < 4004; ++i) cities += Line("1000001", "P0", Numbered('C', i), "T") + "\n";
    for (int i = 0; i < 150003; ++i) towns += "0,1,1000001,3,4,5,P,C,T\n";
    EXPECT_NE(ExpectSameAsOneThread(prefs, 53, "prefectures", 1 << 20).Failure.find(" 49 "), std::string::npos);
    EXPECT_NE(ExpectSameAsOneThread(cities, 4005, "cities", 1 << 20).Failure.find(" 4001 "), std::string::npos);
    EXPECT_NE(ExpectSameAsOneThread(towns, 150004, "lines", 1 << 20).Failure.find(" 150002 "), std::string::npos);
}
