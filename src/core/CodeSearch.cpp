#include <algorithm>
#include <array>

#include "PostalSearch.h"
#include "SearchIndexes.h"
#include "SjisText.h"

namespace {

constexpr int TownCount = decltype(TPostalTables::Towns)::Capacity;

// The value of a code of seven ASCII digits; -1 for any other code. The digits are read as one
// word, with a "0" in front to make eight, and combined pairwise.
std::int32_t SevenDigits(std::string_view code)
{
    if (code.size() != 7) return -1;
    std::uint64_t word = '0';  // the first digit in the lowest byte
    for (std::size_t i = 0; i < 7; ++i) word |= std::uint64_t{static_cast<unsigned char>(code[i])} << (8 * i + 8);
    // Every byte 0x30-0x39: high half 3, and the low half still below 16 with 6 added.
    constexpr std::uint64_t highs = 0xF0F0F0F0F0F0F0F0, threes = 0x3030303030303030;
    if ((word & highs) != threes || ((word + 0x0606060606060606) & highs) != threes) return -1;
    word = (word & 0x0F0F0F0F0F0F0F0F) * 2561 >> 8;
    word = (word & 0x00FF00FF00FF00FF) * 6553601 >> 16;
    word = (word & 0x0000FFFF0000FFFF) * 42949672960001 >> 32;
    return static_cast<std::int32_t>(word);
}

}  // namespace

TCodeIndex::TCodeIndex(const TPostalTables& tables) : FTables(tables)
{
    // Seven-digit codes fall into a thousand groups by their first three digits: one pass counts
    // them, a second puts them in place, in table order within each group. Any other code is rare
    // and sorted by its bytes.
    std::array<std::int32_t, 1001> next{};
    for (int town = 0; town < TownCount; ++town) {
        const std::string_view code = Code(town);
        if (code.empty()) continue;
        if (const std::int32_t value = SevenDigits(code); value >= 0)
            ++next[static_cast<std::size_t>(value / 10000) + 1];
        else
            FOther.push_back(town);
    }
    for (std::size_t head = 0; head < 1000; ++head) next[head + 1] += next[head];
    FFirst = next;
    FTowns.resize(static_cast<std::size_t>(next[1000]));
    FTails.resize(FTowns.size());
    for (int town = 0; town < TownCount; ++town) {
        const std::int32_t value = SevenDigits(Code(town));
        if (value < 0) continue;
        const auto at = static_cast<std::size_t>(next[static_cast<std::size_t>(value / 10000)]++);
        FTowns[at] = town;
        FTails[at] = static_cast<std::uint16_t>(value % 10000);
    }
    std::stable_sort(FOther.begin(), FOther.end(),
                     [this](std::int32_t a, std::int32_t b) { return Code(a) < Code(b); });
}

std::size_t TCodeIndex::HeldBytes() const
{
    return (FTowns.capacity() + FOther.capacity()) * sizeof(std::int32_t) + FTails.capacity() * sizeof(std::uint16_t);
}

void TCodeIndex::Find(std::string_view prefix, std::vector<int>& found) const
{
    found.clear();
    if (prefix.empty()) return;
    const bool digits = prefix.size() <= 7 && std::all_of(prefix.begin(), prefix.end(), [](char c) {
        return c >= '0' && c <= '9';
    });
    bool ordered = true;  // whether `found` is in table order
    if (digits) {
        int head = 0, tail = 0, scale = 1;
        for (std::size_t i = 0; i < 7; ++i) {
            const int digit = i < prefix.size() ? prefix[i] - '0' : 0;
            if (i < 3)
                head = head * 10 + digit;
            else
                tail = tail * 10 + digit;
            if (i >= prefix.size()) scale *= 10;
        }
        const int groups = prefix.size() >= 3 ? 1 : prefix.size() == 2 ? 10 : 100;
        const std::int32_t begin = FFirst[static_cast<std::size_t>(head)];
        const std::int32_t end = FFirst[static_cast<std::size_t>(head + groups)];
        if (prefix.size() <= 3) {
            found.assign(FTowns.begin() + begin, FTowns.begin() + end);
            ordered = groups == 1;  // side by side, ten or a hundred groups are not in table order
        } else {
            // The codes beginning with the prefix have their last four digits in [tail, tail + scale).
            for (std::int32_t i = begin; i < end; ++i) {
                const auto at = static_cast<std::size_t>(i);
                if (static_cast<unsigned>(FTails[at] - tail) < static_cast<unsigned>(scale)) found.push_back(FTowns[at]);
            }
        }
    }
    auto it = std::lower_bound(FOther.begin(), FOther.end(), prefix,
                               [this](std::int32_t town, std::string_view p) { return Code(town) < p; });
    for (; it != FOther.end() && Code(*it).starts_with(prefix); ++it) {
        found.push_back(*it);
        ordered = false;
    }
    if (!ordered) std::sort(found.begin(), found.end());
}

TSearchResult TPostalSearch::ByCode(std::string_view query) const
{
    TSearchResult result;
    std::vector<int>& towns = FFound;
    towns.clear();
    if (FCodes) {
        FCodes->Find(query, towns);
    } else if (!FCodesWalked) {
        FCodesWalked = true;
        const std::string_view store = FTables.StoredBytes();
        for (int town = 0; town < TownCount; ++town) {
            const TTextSpan code = FTables.Towns.Stored(town).Code;
            if (code.Length >= query.size() && !query.empty() && store[code.Offset] == query[0] &&
                store.substr(code.Offset, query.size()) == query)
                towns.push_back(town);
        }
    } else {
        FCodes = std::make_unique<TCodeIndex>(FTables);
        FCodes->Find(query, towns);
    }
    AppendResultLines(FTables, towns, result.Lines);
    result.Towns.resize(towns.size());
    for (std::size_t i = 0; i < towns.size(); ++i) result.Towns[i].Town = towns[i];
    result.Status = CountText(static_cast<long long>(result.Lines.size()));
    return result;
}
