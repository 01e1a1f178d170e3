#include "SearchIndexes.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "ByteSearch.h"
#include "Errors.h"
#include "SearchResult.h"
#include "SjisText.h"

namespace {

constexpr int TopTown = decltype(TPostalTables::Towns)::Capacity - 1;

// Whether `at` is a character start of the text that begins at `start`.
bool IsCharStart(const char* start, const char* at)
{
    const char* p = start;
    while (p < at) p += IsLeadByte(static_cast<unsigned char>(*p)) ? 2 : 1;
    return p == at;
}

std::size_t PairOf(unsigned char first, unsigned char second) { return std::size_t{first} << 8 | second; }

// Where the address begins in a result line for a code of `codeLength` bytes: the code's bytes 1-3,
// the hyphen, its bytes 4-10 and two blanks come first.
std::size_t LineHeadLength(std::size_t codeLength)
{
    const std::size_t head = std::min<std::size_t>(codeLength, 3);
    const std::size_t tail = codeLength > 3 ? std::min<std::size_t>(codeLength - 3, 7) : 0;
    return head + 1 + tail + 2;
}

}  // namespace

TTownTexts::TTownTexts(const TPostalTables& tables) : FTables(tables)
{
    std::size_t size = 0;
    for (int town = 0; town <= TopTown; ++town) {
        const TStoredPostNo& entry = tables.Towns.Stored(town);
        if (entry.Code.Length == 0) continue;
        const TStoredShi& city = tables.Cities.Stored(entry.City);
        const TStoredKenmei& pref = tables.Prefs.Stored(city.Pref);
        size += LineHeadLength(entry.Code.Length) + pref.Name.Length + city.Name.Length + entry.Name.Length + 1 +
                pref.Kana.Length + city.Kana.Length + entry.Kana.Length + 1;
    }
    FBytes.reserve(size);
    for (int town = 0; town <= TopTown; ++town) {
        const TPostNo entry = tables.Towns[town];
        if (entry.Code.empty()) continue;
        const Tshi city = tables.Cities[entry.City];
        const TKenmei pref = tables.Prefs[city.Pref];
        const std::string line = ResultLine(tables, town);
        const std::size_t reading = pref.Kana.size() + city.Kana.size() + entry.Kana.size();
        if (FBytes.size() + line.size() + reading + 2 > std::numeric_limits<std::uint32_t>::max())
            throw EHarvikError("\x83" "f\x81[\x83^\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x91\xE5\x82\xAB"
                               "\x82\xB7\x82\xAC\x82\xDC\x82\xB7");  // データファイルが大きすぎます
        FTowns.push_back(town);
        FStarts.push_back(static_cast<std::uint32_t>(FBytes.size()));
        FBytes.append(line).push_back('\0');
        FBytes.append(pref.Kana).append(city.Kana).append(entry.Kana).push_back('\0');
        const std::size_t address = pref.Name.size() + city.Name.size() + entry.Name.size();
        FLongestText = std::max({FLongestText, address, reading});
    }
    FStarts.push_back(static_cast<std::uint32_t>(FBytes.size()));
    for (int entry = 0; entry < Count(); ++entry)
        for (std::string_view text : {Address(entry), Reading(entry)})
            for (std::size_t at = 0; at + 1 < text.size();) {
                const auto first = static_cast<unsigned char>(text[at]);
                FPairs.set(PairOf(first, static_cast<unsigned char>(text[at + 1])));
                at += 1 + std::size_t{IsLeadByte(first)};
            }
    FBytes.shrink_to_fit();
    FTowns.shrink_to_fit();
    FStarts.shrink_to_fit();
}

int TTownTexts::EntryFrom(int town) const
{
    return static_cast<int>(std::lower_bound(FTowns.begin(), FTowns.end(), town) - FTowns.begin());
}

std::size_t TTownTexts::AddressStart(int entry) const
{
    return FStarts[static_cast<std::size_t>(entry)] + LineHeadLength(FTables.Towns.Stored(Town(entry)).Code.Length);
}

int TTownTexts::EntryHolding(std::size_t offset, int from, int to) const
{
    // Hits tend to lie a few entries ahead, so the search gallops from `from` before it bisects.
    const auto starts = FStarts.begin();
    int low = from;  // starts at or before offset
    int step = 1;
    int high = from + step;
    while (high < to && starts[high] <= offset) {
        low = high;
        step *= 2;
        high = std::min(to, low + step);
    }
    return static_cast<int>(std::upper_bound(starts + low + 1, starts + high, offset) - starts) - 1;
}

std::string_view TTownTexts::Line(int entry) const
{
    const std::size_t start = FStarts[static_cast<std::size_t>(entry)];
    return {FBytes.data() + start, std::strlen(FBytes.data() + start)};
}

std::string_view TTownTexts::Address(int entry) const
{
    const std::size_t start = AddressStart(entry);
    return {FBytes.data() + start, std::strlen(FBytes.data() + start)};
}

std::string_view TTownTexts::Reading(int entry) const
{
    const std::string_view line = Line(entry);
    const char* start = line.data() + line.size() + 1;
    return {start, std::strlen(start)};
}

std::size_t TTownTexts::PlausibleLength(std::string_view text) const
{
    for (std::size_t at = 0; at + 1 < text.size();) {
        const auto first = static_cast<unsigned char>(text[at]);
        if (!FPairs.test(PairOf(first, static_cast<unsigned char>(text[at + 1])))) return at + 1;
        at += IsLeadByte(first) ? 2 : 1;
    }
    return text.size();
}

int TTownTexts::NextMatch(int from, int to, std::string_view text) const
{
    const char* const store = FBytes.data();
    std::size_t at = FStarts[static_cast<std::size_t>(from)];
    const std::size_t end = FStarts[static_cast<std::size_t>(to)];
    int entry = from;
    while (at < end) {
        const std::size_t found = FindBytes({store + at, end - at}, text);
        if (found == std::string_view::npos) return to;
        const std::size_t hit = at + found;
        entry = EntryHolding(hit, entry, to);
        const std::size_t address = AddressStart(entry);
        if (hit < address) {  // inside the code and blanks that head the line: not part of the address
            at = address;
            continue;
        }
        const char* const lineEnd = std::strchr(store + address, '\0');
        const char* const field = store + hit < lineEnd ? store + address : lineEnd + 1;
        if (IsCharStart(field, store + hit)) return entry;
        at = hit + 1;
    }
    return to;
}

std::size_t TTownTexts::HeldBytes() const
{
    return sizeof(FPairs) + FBytes.capacity() + FTowns.capacity() * sizeof(std::int32_t) +
           FStarts.capacity() * sizeof(std::uint32_t);
}

TCityNames::TCityNames(const TPostalTables& tables)
{
    for (int city = 0; city < decltype(TPostalTables::Cities)::Capacity; ++city) {
        const Tshi entry = tables.Cities[city];
        for (std::string_view text : {entry.Name, entry.Kana}) {
            if (text.empty()) continue;
            const auto first = static_cast<unsigned char>(text[0]);
            if (text.size() == 1)
                FShort.push_back({first, city, text});
            else
                FLong.push_back(
                    {static_cast<std::uint16_t>(first << 8 | static_cast<unsigned char>(text[1])), city, text});
        }
    }
    const auto byKey = [](const TName& a, const TName& b) { return a.Key < b.Key; };
    std::stable_sort(FLong.begin(), FLong.end(), byKey);
    std::stable_sort(FShort.begin(), FShort.end(), byKey);
    FLong.shrink_to_fit();
    FShort.shrink_to_fit();
}

int TCityNames::FirstIn(std::string_view text, int from, int to) const
{
    int best = -1;
    const auto consider = [&](const std::vector<TName>& names, std::uint16_t key, std::string_view rest) {
        const auto byKey = [](const TName& name, std::uint16_t k) { return name.Key < k; };
        for (auto it = std::lower_bound(names.begin(), names.end(), key, byKey); it != names.end() && it->Key == key;
             ++it)
            if (it->City >= from && it->City <= to && (best < 0 || it->City < best) && rest.starts_with(it->Text))
                best = it->City;
    };
    std::size_t at = 0;
    while (at < text.size()) {
        const std::string_view rest = text.substr(at);
        const auto first = static_cast<unsigned char>(rest[0]);
        consider(FShort, first, rest);
        if (rest.size() >= 2)
            consider(FLong, static_cast<std::uint16_t>(first << 8 | static_cast<unsigned char>(rest[1])), rest);
        if (best == from) break;
        at += IsLeadByte(first) ? 2 : 1;
    }
    return best;
}
