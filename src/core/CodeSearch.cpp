#include <algorithm>

#include "PostalSearch.h"
#include "SearchIndexes.h"
#include "SjisText.h"

TCodeIndex::TCodeIndex(const TPostalTables& tables, const TTownTexts& texts) : FTables(tables), FTexts(texts)
{
    FEntries.resize(static_cast<std::size_t>(texts.Count()));
    for (int entry = 0; entry < texts.Count(); ++entry) FEntries[static_cast<std::size_t>(entry)] = entry;
    // Stable: equal codes keep table order.
    std::stable_sort(FEntries.begin(), FEntries.end(),
                     [this](std::int32_t a, std::int32_t b) { return Code(a) < Code(b); });
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
