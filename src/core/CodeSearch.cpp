#include <algorithm>

#include "PostalSearch.h"
#include "SearchIndexes.h"
#include "SjisText.h"

namespace {

// A code's first eight bytes as one number that orders as the bytes do (codes hold no 0x00, so
// the zero padding of a shorter code sorts it before the longer codes it begins).
std::uint64_t LeadingBytes(std::string_view code)
{
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 8; ++i)
        key = key << 8 | (i < code.size() ? static_cast<unsigned char>(code[i]) : 0u);
    return key;
}

}  // namespace

TCodeIndex::TCodeIndex(const TPostalTables& tables, const TTownTexts& texts) : FTables(tables), FTexts(texts)
{
    struct TKeyed
    {
        std::uint64_t Key;
        std::int32_t Entry;
    };
    std::vector<TKeyed> keyed(static_cast<std::size_t>(texts.Count()));
    for (int entry = 0; entry < texts.Count(); ++entry)
        keyed[static_cast<std::size_t>(entry)] = {LeadingBytes(Code(entry)), entry};
    // By code, equal codes in table order. Comparing the leading bytes as numbers first keeps the
    // sort of the national list's 125,000 codes to a few milliseconds.
    std::sort(keyed.begin(), keyed.end(), [this](const TKeyed& a, const TKeyed& b) {
        if (a.Key != b.Key) return a.Key < b.Key;
        const std::string_view codeA = Code(a.Entry), codeB = Code(b.Entry);
        if (codeA.size() > 8 || codeB.size() > 8) {
            if (codeA != codeB) return codeA < codeB;
        }
        return a.Entry < b.Entry;
    });
    FEntries.reserve(keyed.size());
    for (const TKeyed& k : keyed) FEntries.push_back(k.Entry);
}

std::string_view TCodeIndex::Code(std::int32_t entry) const
{
    return FTables.Text(FTables.Towns.Stored(FTexts.Town(entry)).Code);
}

std::vector<int> TCodeIndex::Find(std::string_view prefix) const
{
    std::vector<int> found;
    if (prefix.empty()) return found;
    auto it = std::lower_bound(FEntries.begin(), FEntries.end(), prefix,
                               [this](std::int32_t entry, std::string_view p) { return Code(entry) < p; });
    for (; it != FEntries.end() && Code(*it).starts_with(prefix); ++it) found.push_back(*it);
    std::sort(found.begin(), found.end());
    return found;
}

TSearchResult TPostalSearch::ByCode(std::string_view query) const
{
    TSearchResult result;
    const std::vector<int> entries = FIndexes->Codes.Find(query);
    result.Lines.reserve(entries.size());
    for (int entry : entries) result.Lines.emplace_back(FIndexes->Texts.Line(entry));
    result.Status = CountText(static_cast<long long>(result.Lines.size()));
    return result;
}
