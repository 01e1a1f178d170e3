// The quick line scan against the careful path: every scanner this processor has must take the
// same lines as the byte-at-a-time one, and a line taken must split into the fields the careful
// line reader and field splitter give it. Runs of lines scanned at once must be those lines.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "LineScan.h"
#include "Loader.h"

namespace {

void Expect(bool same, const char* what, int index)
{
    if (same) return;
    std::fprintf(stderr, "the line scans differ: %s %d\n", what, index);
    std::abort();
}

// The bytes as lines one after another: every scanner's run of lines at once must be the lines
// the byte-at-a-time scanner takes one by one, at the same bytes.
void ExpectRunsAgree(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    bytes.append(LineScanReach, 'z');  // every line that starts in the input has its reach readable
    constexpr std::size_t Most = 64;
    TScannedLine expected[Most];
    std::size_t count = 0;
    for (std::size_t at = 0; count < Most && bytes.size() - at >= LineScanReach &&
                             ScanPlainLineWith(TLineScanner::Bytes, bytes.data() + at, expected[count]);) {
        at += expected[count].Length + expected[count].BreakLength;
        ++count;
    }
    for (TLineScanner scanner : {TLineScanner::Bytes, TLineScanner::Vector16, TLineScanner::Vector32, TLineScanner::Vector64}) {
        if (!LineScannerAvailable(scanner)) continue;
        const int which = static_cast<int>(scanner);
        TScannedLine run[Most];
        Expect(ScanPlainLinesWith(scanner, bytes.data(), bytes.size(), run, Most) == count, "lines in a run by scanner", which);
        for (std::size_t n = 0; n < count; ++n) {
            Expect(run[n].Length == expected[n].Length && run[n].BreakLength == expected[n].BreakLength, "run line", which);
            for (int k = 0; k < 9; ++k)
                Expect(run[n].Fields[k].data() == expected[n].Fields[k].data() &&
                           run[n].Fields[k].size() == expected[n].Fields[k].size(),
                       "run field", k);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ExpectRunsAgree(data, size);
    std::string bytes(reinterpret_cast<const char*>(data), size);
    bytes.resize(std::max(bytes.size(), LineScanReach), 'z');  // every byte within reach readable
    TScannedLine reference;
    const bool taken = ScanPlainLineWith(TLineScanner::Bytes, bytes.data(), reference);
    for (TLineScanner scanner : {TLineScanner::Vector16, TLineScanner::Vector32, TLineScanner::Vector64}) {
        if (!LineScannerAvailable(scanner)) continue;
        TScannedLine out;
        const int which = static_cast<int>(scanner);
        Expect(ScanPlainLineWith(scanner, bytes.data(), out) == taken, "taken by scanner", which);
        if (!taken) continue;
        Expect(out.Length == reference.Length && out.BreakLength == reference.BreakLength, "length by scanner", which);
        for (int k = 0; k < 9; ++k) Expect(out.Fields[k] == reference.Fields[k], "field", k);
    }
    if (!taken) return 0;

    // The careful path: the bytes before the first LF, every CR dropped, split into fields.
    const std::size_t lineFeed = bytes.find('\n');
    Expect(lineFeed != std::string::npos && reference.Length + reference.BreakLength == lineFeed + 1, "line end", 0);
    std::string line = bytes.substr(0, lineFeed);
    std::erase(line, '\r');
    std::vector<std::string> fields;
    SplitFields(line, fields);
    Expect(fields.size() >= 9, "field count", static_cast<int>(fields.size()));
    for (int k = 0; k < 9; ++k) Expect(reference.Fields[k] == fields[static_cast<std::size_t>(k)], "careful field", k);
    return 0;
}
