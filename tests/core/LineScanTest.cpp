// The quick line scan must give exactly what the line reader and the field splitter give, for every
// line it takes, with every way of classifying bytes this processor has.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "LineScan.h"
#include "Loader.h"
#include "PostalFixture.h"

namespace {

const TLineScanner AllScanners[] = {TLineScanner::Bytes, TLineScanner::Vector16, TLineScanner::Vector32,
                                    TLineScanner::Vector64};

std::string Padded(std::string bytes)
{
    bytes.resize(std::max(bytes.size(), LineScanReach + 64), 'z');
    return bytes;
}

// What the careful path makes of the line at the start of `bytes`: the bytes before its first LF
// with every CR dropped, split into fields.
std::vector<std::string> CarefulFields(const std::string& bytes)
{
    std::string line = bytes.substr(0, bytes.find('\n'));
    std::erase(line, '\r');
    std::vector<std::string> fields;
    SplitFields(line, fields);
    return fields;
}

// Scans `bytes` with every available scanner, expects them to agree, and checks a taken line
// against the careful path. Returns whether the line was taken.
bool ExpectScanAgrees(const std::string& bytes, const std::string& label)
{
    const std::string padded = Padded(bytes);
    TScannedLine first;
    const bool taken = ScanPlainLineWith(TLineScanner::Bytes, padded.data(), first);
    for (TLineScanner scanner : AllScanners) {
        if (!LineScannerAvailable(scanner)) continue;
        TScannedLine out;
        const bool took = ScanPlainLineWith(scanner, padded.data(), out);
        EXPECT_EQ(took, taken) << label << " scanner " << static_cast<int>(scanner);
        if (!took || !taken) continue;
        EXPECT_EQ(out.Length, first.Length) << label;
        for (int k = 0; k < 9; ++k) EXPECT_EQ(out.Fields[k], first.Fields[k]) << label << " field " << k;
    }
    if (!taken) return false;
    const std::size_t lineFeed = bytes.find('\n');
    EXPECT_NE(lineFeed, std::string::npos) << label;
    EXPECT_EQ(first.Length + first.BreakLength, lineFeed + 1) << label;
    EXPECT_EQ(first.BreakLength == 2, lineFeed > 0 && bytes[lineFeed - 1] == '\r') << label;
    const std::vector<std::string> careful = CarefulFields(bytes);
    EXPECT_GE(careful.size(), 9u) << label;
    for (std::size_t k = 0; k < 9 && k < careful.size(); ++k)
        EXPECT_EQ(first.Fields[k], careful[k]) << label << " field " << k;
    return true;
}

}  // namespace

TEST(LineScan, TakesNationalLinesAndAgreesWithTheCarefulPath)
{
    const std::string kanji = "\x96\x6B\x8A\x43\x93\xB9";  // second bytes in and out of the lead range
    const std::string lines[] = {
        KenLine({"0600000", kanji, "\x8E\x44\x96\x79\x8E\x73", "\x88\xC8\x89\xBA", "\xCE\xAF\xB6\xB2\xC4\xDE\xB3", "A", "B"}),
        KenLine({"1000001", "P", "C", std::string(150, 'x'), "", "", ""}),       // fields across blocks
        KenLine({"1000002", "\x8B\xE6", "\x8B\xE6\x8B\xE6", "\x8B\xE6", "", "", ""}),  // lead-range second byte before the quote
        "a,b,c,d,e,f,g,h,i",                                                       // nine unquoted fields
        "a,\"b,c\",c,d,e,f,g,\"\",i,",                                             // a comma in quotes, an empty quoted field
    };
    for (const std::string& line : lines) {
        EXPECT_TRUE(ExpectScanAgrees(line + "\r\nnext", line)) << line;
        EXPECT_TRUE(ExpectScanAgrees(line + "\nnext", line)) << line;
    }
}

TEST(LineScan, LeavesEveryOtherShapeToTheCarefulPath)
{
    const std::string plain = "a,b,c,d,e,f,g,h,i";
    const std::string left[] = {
        "a,b,c,d,e,f,g,h\n",                       // eight fields
        "\n",                                      // empty line
        "a,\"b\"\"c\",c,d,e,f,g,h,i\n",            // doubled quote
        "a, b,c,d,e,f,g,h,i\n",                    // blank outside quotes
        "a,b\"c,d,e,f,g,h,i\n",                    // quote inside an unquoted field
        "a,\"b\"c,d,e,f,g,h,i\n",                  // text after a closing quote
        "a,\"b,c,d,e,f,g,h,i\n",                   // no closing quote
        plain + "\r\r\n",                          // lone CR
        plain + "\rx\n",
        std::string("a,b,c,d,e,f,g,h,i") + '\0' + "\n",  // 0x00
        "a,\"b\tc\",c,d,e,f,g,h,i\n",              // control byte in quotes
        "a,\"\x81\",c,d,e,f,g,h,i\n",              // lead byte takes the closing quote
        plain + "," + std::string(300, 'x') + "\n",  // no line end within reach
        plain,                                       // no line end at all
    };
    for (const std::string& line : left) EXPECT_FALSE(ExpectScanAgrees(line, line)) << line;
}

// A line of fields, quoted or not, of ordinary text; when `odd`, 6 to 13 fields with now and then a
// structural byte, a control byte or a byte at an edge of the lead-byte ranges, else 9 to 14
// fields of ordinary text only. Ended by CR LF or LF.
std::string RandomLine(std::mt19937& random, bool odd = true)
{
    const std::string alphabet[] = {"a", " ", ",", "\"", "\x1A", "\t", "\r", std::string(1, '\0'), "\x80", "\x81", "\x9F",
                                    "\xA0", "\xDF", "\xE0", "\xFC", "\xFD", "\xFF", "\x40", "\x5C", "\x7E", "\x8B\xE6"};
    const std::string ordinary[] = {"a", "7", "\x8B\xE6", "\x96\x6B", "\xB1"};  // letters, kanji, half-width kana
    std::string line;
    const int fields = odd ? 6 + static_cast<int>(random() % 8) : 9 + static_cast<int>(random() % 6);
    for (int f = 0; f < fields; ++f) {
        if (f > 0) line += ',';
        std::string text;
        const int length = static_cast<int>(random() % (random() % 4 == 0 ? 60 : 8));
        for (int i = 0; i < length; ++i)
            text += odd && random() % 40 == 0 ? alphabet[random() % std::size(alphabet)] : ordinary[random() % std::size(ordinary)];
        line += random() % 2 == 0 ? "\"" + text + "\"" : text;
    }
    return line + (random() % 2 == 0 ? "\r\n" : "\n");
}

TEST(LineScan, RandomLinesAgreeWithTheCarefulPath)
{
    std::mt19937 random(8122026);
    int taken = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string line = RandomLine(random);
        line += "0,\"1\",2\r\n";
        if (ExpectScanAgrees(line, "round " + std::to_string(round))) ++taken;
        if (HasFailure()) return;
    }
    EXPECT_GT(taken, 2000);
    for (TLineScanner scanner : AllScanners)
        RecordProperty("scanner" + std::to_string(static_cast<int>(scanner)), LineScannerAvailable(scanner) ? "tested" : "not on this processor");
}

// A run of lines scanned at once must be exactly the lines scanned one by one: the same lines taken,
// the same fields at the same bytes, stopping at the same line, whatever the bytes after them.
TEST(LineScan, RunsOfLinesScanAsLineByLine)
{
    std::mt19937 random(9122026);
    std::size_t taken = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        while (bytes.size() < 2000) bytes += RandomLine(random, random() % 4 == 0);
        const std::size_t readable = random() % bytes.size();  // the rest is there, but not to be read
        const std::size_t most = 1 + random() % 20;
        std::vector<TScannedLine> expected;
        for (std::size_t at = 0; expected.size() < most && readable - at >= LineScanReach;) {
            TScannedLine line;
            if (!ScanPlainLineWith(TLineScanner::Bytes, bytes.data() + at, line)) break;
            expected.push_back(line);
            at += line.Length + line.BreakLength;
        }
        taken += expected.size();
        for (TLineScanner scanner : AllScanners) {
            if (!LineScannerAvailable(scanner)) continue;
            std::vector<TScannedLine> run(most);
            const std::size_t got = ScanPlainLinesWith(scanner, bytes.data(), readable, run.data(), most);
            ASSERT_EQ(got, expected.size()) << "round " << round << " scanner " << static_cast<int>(scanner);
            for (std::size_t n = 0; n < got; ++n) {
                EXPECT_EQ(run[n].Length, expected[n].Length) << "round " << round << " line " << n;
                EXPECT_EQ(run[n].BreakLength, expected[n].BreakLength) << "round " << round << " line " << n;
                for (int k = 0; k < 9; ++k) {
                    EXPECT_EQ(run[n].Fields[k].data(), expected[n].Fields[k].data()) << "round " << round << " field " << k;
                    EXPECT_EQ(run[n].Fields[k].size(), expected[n].Fields[k].size()) << "round " << round << " field " << k;
                }
            }
        }
        if (HasFailure()) return;
    }
    EXPECT_GT(taken, 3000u);  // runs of several plain lines, not only runs that stop at once
}

// The scan chosen for a processor is never compiled for an extension the processor lacks, whatever
// it reports: a lacking one stops the load with an illegal instruction. Virtual machines' processor
// models can report AVX2 without BMI1, or AVX-512 without PCLMUL; older AVX-512 processors lack VBMI2.
TEST(LineScanChoice, NeverNeedsAnExtensionTheProcessorLacks)
{
    const std::string_view known[] = {"avx2", "avx512bw", "avx512vbmi2", "bmi", "pclmul"};
    for (unsigned reported = 0; reported < 32; ++reported) {
        const auto has = [&](std::string_view feature) {
            for (unsigned i = 0; i < 5; ++i)
                if ((reported >> i & 1) != 0 && known[i] == feature) return true;
            return false;
        };
        const TLineScanner chosen = ChooseLineScanner(has);
        std::string_view needed = LineScannerFeatures(chosen);
        while (!needed.empty()) {
            const std::string_view feature = needed.substr(0, needed.find(','));
            EXPECT_TRUE(has(feature)) << "processor " << reported << " lacks " << feature;
            needed.remove_prefix(std::min(needed.size(), feature.size() + 1));
        }
    }

    struct Case
    {
        std::vector<std::string_view> reported;
        TLineScanner chosen;
    };
    const Case cases[] = {
        {{}, TLineScanner::Vector16},                                // SSE2 is every x86-64 processor's
        {{"avx2", "pclmul"}, TLineScanner::Vector16},                // AVX2 without BMI1
        {{"avx2", "bmi"}, TLineScanner::Vector16},                   // ... or without PCLMUL
        {{"avx2", "bmi", "pclmul"}, TLineScanner::Vector32},
        {{"avx512bw", "avx512vbmi2", "avx2", "pclmul"}, TLineScanner::Vector16},  // AVX-512 without BMI1
        {{"avx512bw", "avx2", "bmi", "pclmul"}, TLineScanner::Vector32},          // ... or without VBMI2
        {{"avx512bw", "avx512vbmi2", "avx2", "bmi", "pclmul"}, TLineScanner::Vector64},
    };
    for (const Case& c : cases) {
        const auto has = [&](std::string_view feature) { return std::ranges::find(c.reported, feature) != c.reported.end(); };
        EXPECT_EQ(ChooseLineScanner(has), c.chosen) << c.reported.size() << " extensions reported";
    }
    // This processor's own choice is one it can run.
    EXPECT_TRUE(LineScannerAvailable(ChosenLineScanner()));
}
