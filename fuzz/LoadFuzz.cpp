// The data file through the loader. Read whole (nearly every line taken by the quick line scan) and
// three bytes at a time (every line by the careful line reader and field splitter), any bytes must
// fill the same tables and stop with the same failure, or with none. A code search straight from
// the bytes, without tables, must stop with that failure too, or list what the code search of the
// loaded tables lists. What the loader notes of the towns
// must give the address index that reading every town gives.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Errors.h"
#include "Loader.h"
#include "MemorySource.h"
#include "PostalFixture.h"
#include "PostalSearch.h"

namespace {

// The whole file in one read, its size told in advance as a file's is.
class TSizedSource : public TMemorySource
{
public:
    explicit TSizedSource(const std::string& bytes) : TMemorySource(bytes, bytes.size() + 1), FSize(bytes.size()) {}
    std::size_t SizeHint() const override { return FSize; }

private:
    std::size_t FSize;
};

// The failure's message, or "" for a complete load.
std::string Load(IByteSource& source, TPostalTables& tables)
{
    try {
        LoadPostalData(source, tables);
    } catch (const EHarvikError& e) {
        return std::string("failure: ") + e.what();
    }
    return "";
}

void Expect(bool same, const char* what, int index)
{
    if (same) return;
    std::fprintf(stderr, "the two loads differ: %s %d\n", what, index);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TPostalTables whole, careful;
    TSizedSource wholeSource(bytes);
    TMemorySource carefulSource(bytes, 3);
    const std::string failure = Load(wholeSource, whole);
    Expect(failure == Load(carefulSource, careful), "failure", 0);

    // A prefix of the first town's code, so that the search has something to find.
    const std::string prefix(whole.Towns[0].Code.substr(0, 1 + bytes.size() % 3));
    TSizedSource codeSource(bytes);
    TResultLines codeLines;
    std::string codeFailure;
    try {
        codeLines = ReadCodeMatches(codeSource, prefix);
    } catch (const EHarvikError& e) {
        codeFailure = std::string("failure: ") + e.what();
    }
    Expect(codeFailure == failure, "code search failure", 0);
    if (failure.empty()) Expect(codeLines == TPostalSearch(whole).ByCode(prefix).Lines, "code search lines", 0);

    // A line makes at most one entry of each table, so nothing lies beyond the number of lines.
    int lines = 1;
    for (const char c : bytes) lines += c == '\n' ? 1 : 0;
    for (int k = 0; k < decltype(whole.Prefs)::Capacity; ++k) {
        Expect(whole.Prefs[k].Name == careful.Prefs[k].Name, "prefecture name", k);
        Expect(whole.Prefs[k].Kana == careful.Prefs[k].Kana, "prefecture kana", k);
        Expect(whole.Prefs[k].FirstCity == careful.Prefs[k].FirstCity, "prefecture first city", k);
    }
    for (int k = 0; k < std::min(lines + 1, decltype(whole.Cities)::Capacity); ++k) {
        Expect(whole.Cities[k].Name == careful.Cities[k].Name, "city name", k);
        Expect(whole.Cities[k].Kana == careful.Cities[k].Kana, "city kana", k);
        Expect(whole.Cities[k].Pref == careful.Cities[k].Pref, "city prefecture", k);
        Expect(whole.Cities[k].FirstTown == careful.Cities[k].FirstTown, "city first town", k);
    }
    for (int k = 0; k < std::min(lines + 1, decltype(whole.Towns)::Capacity); ++k) {
        Expect(whole.Towns[k].Code == careful.Towns[k].Code, "town code", k);
        Expect(whole.Towns[k].Name == careful.Towns[k].Name, "town name", k);
        Expect(whole.Towns[k].Kana == careful.Towns[k].Kana, "town kana", k);
        Expect(whole.Towns[k].City == careful.Towns[k].City, "town city", k);
    }

    // What the loader noted of the towns gives the address index that reading every town gives.
    for (TPostalTables* tables : {&whole, &careful}) {
        const std::string differs = IndexFromNotesDiffers(*tables);
        if (!differs.empty()) std::fprintf(stderr, "address index from the notes: %s\n", differs.c_str());
        Expect(differs.empty(), "address index from the notes", 0);
    }
    return 0;
}
