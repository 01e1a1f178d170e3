// The quick line scan against the careful path: every scanner this processor has must take the
// same lines as the byte-at-a-time one, and a line taken must split into the fields the careful
// line reader and field splitter give it.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
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
