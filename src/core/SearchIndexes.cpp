#include "SearchIndexes.h"

#include <algorithm>
#include <cstring>

#include "ByteSearch.h"
#include "SjisText.h"

namespace {

constexpr int TownCount = decltype(TPostalTables::Towns)::Capacity;

bool IsLead(char c) { return IsLeadByte(static_cast<unsigned char>(c)); }

std::size_t PairOf(char first, char second)
{
    return std::size_t{static_cast<unsigned char>(first)} << 8 | static_cast<unsigned char>(second);
}

// Orders `items` by their 16-bit Key's low `keyBytes` bytes, a counting pass per byte from the
// lowest (equal keys keep their order).
template <class TItem>
void SortByKey(std::vector<TItem>& items, int keyBytes)
{
    std::vector<TItem> sorted(items.size());
    for (int shift = 0; shift < 8 * keyBytes; shift += 8) {
        std::array<std::size_t, 257> starts{};
        for (const TItem& item : items) ++starts[((item.Key >> shift) & 0xFF) + 1];
        for (std::size_t i = 0; i < 256; ++i) starts[i + 1] += starts[i];
        for (const TItem& item : items) sorted[starts[(item.Key >> shift) & 0xFF]++] = item;
        items.swap(sorted);
    }
}

}  // namespace

TCityNames::TCityNames(const TPostalTables& tables)
{
    constexpr int cities = decltype(TPostalTables::Cities)::Capacity;
    std::size_t longNames = 0, shortNames = 0;
    for (int city = 0; city < cities; ++city) {
        const TStoredShi& entry = tables.Cities.Stored(city);
        for (const TTextSpan text : {entry.Name, entry.Kana})
            (text.Length == 1 ? shortNames : longNames) += text.Length > 0 ? 1 : 0;
    }
    FLong.reserve(longNames);
    FShort.reserve(shortNames);
    for (int city = 0; city < cities; ++city) {
        const TStoredShi& entry = tables.Cities.Stored(city);
        for (const TTextSpan span : {entry.Name, entry.Kana}) {
            if (span.Length == 0) continue;
            const std::string_view text = tables.Text(span);
            const auto first = static_cast<unsigned char>(text[0]);
            if (text.size() == 1)
                FShort.push_back({first, city, text});
            else
                FLong.push_back(
                    {static_cast<std::uint16_t>(first << 8 | static_cast<unsigned char>(text[1])), city, text});
        }
    }
    // FirstIn looks at every name of a key, so the order among them does not matter.
    SortByKey(FLong, 2);
    SortByKey(FShort, 1);
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

TAddressIndex::TAddressIndex(const TPostalTables& tables) : FTables(tables), FCityNames(tables)
{
    constexpr int lastCity = decltype(TPostalTables::Cities)::Capacity - 1;
    for (int pref = 0; pref < static_cast<int>(FLastCity.size()); ++pref) {
        int city = tables.Prefs.Stored(pref).FirstCity;
        while (city + 1 <= lastCity && tables.Cities.Stored(city + 1).Pref == pref) ++city;
        FLastCity[static_cast<std::size_t>(pref)] = city;
    }

    const TStoredPostNo* const towns = &tables.Towns.Stored(0);
    bool anyBlank = false;
    if (const TLoadedTowns* loaded = tables.LoadedTowns()) {
        // The loader noted all of it but the heads: the runs are its cities.
        FEndTown = loaded->EndTown;
        FLongestText = loaded->LongestText;
        anyBlank = loaded->AnyBlank;
        FHeads.resize(static_cast<std::size_t>(loaded->CityCount));
        TPrefHead pref;
        for (int city = 0; city < loaded->CityCount; ++city) {
            const int first = city == 0 ? 0 : tables.Cities.Stored(city).FirstTown;
            if (first >= FEndTown) break;
            FRuns.push_back({first, city});
            NoteHead(city, pref);
        }
        // Where the texts of the towns that have a code end: at the last of them that has a text.
        for (int town = FEndTown - 1; town >= 0 && FTextEnd == 0; --town) {
            const TStoredPostNo& entry = towns[town];
            if (entry.Kana.Length > 0)
                FTextEnd = entry.Kana.Offset + entry.Kana.Length;
            else if (entry.Name.Length > 0)
                FTextEnd = entry.Name.Offset + entry.Name.Length;
        }
    } else {
        anyBlank = ReadTowns();
    }
    FRuns.push_back({FEndTown, 0});

    // A town with neither text begins where the texts before it end, which its entry does not tell:
    // only then are the beginnings kept apart.
    if (FLaidOut && anyBlank) {
        FTextStarts.resize(static_cast<std::size_t>(FEndTown) + 1);
        std::uint32_t end = 0;
        for (int town = 0; town < FEndTown; ++town) {
            const TStoredPostNo& entry = towns[town];
            FTextStarts[static_cast<std::size_t>(town)] = entry.Name.Length > 0   ? entry.Name.Offset
                                                          : entry.Kana.Length > 0 ? entry.Kana.Offset
                                                                                  : end;
            if (entry.Name.Length > 0) end = entry.Name.Offset + entry.Name.Length;
            if (entry.Kana.Length > 0) end = entry.Kana.Offset + entry.Kana.Length;
        }
        FTextStarts[static_cast<std::size_t>(FEndTown)] = end;
    }
}

namespace {

// Notes every byte of `text` in `bytes`, a bit for each byte value, and walks its characters from
// `at` (1 when the character before ran into its first byte); returns how far the walk goes past
// its end.
std::uint8_t NoteText(std::array<std::uint64_t, 4>& bytes, std::string_view text, std::size_t at)
{
    for (const char b : text) {
        const auto value = static_cast<unsigned char>(b);
        bytes[value >> 6] |= std::uint64_t{1} << (value & 63);
    }
    while (at < text.size()) at += IsLead(text[at]) ? 2 : 1;
    return static_cast<std::uint8_t>(at - text.size());
}

}  // namespace

void TAddressIndex::NoteHead(int cityIndex, TPrefHead& prefHead)
{
    if (static_cast<std::size_t>(cityIndex) >= FHeads.size()) FHeads.resize(static_cast<std::size_t>(cityIndex) + 1);
    const TStoredShi& city = FTables.Cities.Stored(cityIndex);
    // A head is the prefecture's text and then the city's: the walk of the city's characters goes on
    // from where the prefecture's ended.
    if (city.Pref != prefHead.Pref) {
        const TStoredKenmei& pref = FTables.Prefs.Stored(city.Pref);
        prefHead.Pref = city.Pref;
        prefHead.Head = {};
        prefHead.Head.NameShift = NoteText(prefHead.Head.Bytes, FTables.Text(pref.Name), 0);
        prefHead.Head.KanaShift = NoteText(prefHead.Head.Bytes, FTables.Text(pref.Kana), 0);
    }
    THeadBytes& head = FHeads[static_cast<std::size_t>(cityIndex)];
    head.Bytes = prefHead.Head.Bytes;
    head.NameShift = NoteText(head.Bytes, FTables.Text(city.Name), prefHead.Head.NameShift);
    head.KanaShift = NoteText(head.Bytes, FTables.Text(city.Kana), prefHead.Head.KanaShift);
}

bool TAddressIndex::ReadTowns()
{
    FEndTown = TownCount;
    while (FEndTown > 0 && FTables.Towns.Stored(FEndTown - 1).Code.Length == 0) --FEndTown;

    const TStoredPostNo* const towns = &FTables.Towns.Stored(0);
    // Room for the cities up to the last town's, which in file order is the highest.
    if (FEndTown > 0) FHeads.resize(static_cast<std::size_t>(std::max(towns[FEndTown - 1].City, 0)) + 1);
    // Kept in locals, not in the members, so that the loop over every town stays in registers.
    std::uint32_t end = 0;  // where the texts of the towns so far end
    bool laidOut = true, anyBlank = false;
    std::size_t longest = 0;
    TPrefHead prefHead;
    for (int first = 0; first < FEndTown;) {
        // One run: the towns from `first` that share its city.
        const std::int32_t cityIndex = towns[first].City;
        int last = first + 1;
        while (last < FEndTown && towns[last].City == cityIndex) ++last;
        FRuns.push_back({first, cityIndex});
        NoteHead(cityIndex, prefHead);

        // The longest own Name and Kana of the run's towns that have a code.
        std::uint32_t longestName = 0, longestKana = 0;
        bool anyCode = false;
        for (int town = first; town < last; ++town) {
            const TStoredPostNo& entry = towns[town];
            const TTextSpan name = entry.Name, kana = entry.Kana;
            const std::uint32_t counted = entry.Code.Length > 0 ? ~std::uint32_t{0} : 0;
            anyCode |= counted != 0;
            longestName = std::max(longestName, name.Length & counted);
            longestKana = std::max(longestKana, kana.Length & counted);
            anyBlank |= (name.Length | kana.Length) == 0;
            // Each text after the one before.
            if (name.Length > 0) {
                laidOut &= name.Offset >= end;
                end = name.Offset + name.Length;
            }
            if (kana.Length > 0) {
                laidOut &= kana.Offset >= end;
                end = kana.Offset + kana.Length;
            }
        }
        if (anyCode) {
            const TStoredShi& city = FTables.Cities.Stored(cityIndex);
            const TStoredKenmei& pref = FTables.Prefs.Stored(city.Pref);
            longest = std::max({longest, std::size_t{pref.Name.Length} + city.Name.Length + longestName,
                                std::size_t{pref.Kana.Length} + city.Kana.Length + longestKana});
        }
        first = last;
    }
    FLongestText = longest;
    FLaidOut = laidOut;
    FTextEnd = end;
    return anyBlank;
}

int TAddressIndex::RunOf(int town) const
{
    const auto after = std::upper_bound(FRuns.begin(), FRuns.end() - 1, town,
                                        [](int t, const TRun& run) { return t < run.FirstTown; });
    return static_cast<int>(after - FRuns.begin()) - 1;
}

void TAddressIndex::BuildPairs()
{
    FPairs = std::make_unique<std::bitset<65536>>();
    std::bitset<65536>& pairs = *FPairs;
    // Sets the pair at each character start of `text` reached by a walk from byte `at`; returns
    // whether its last byte starts a character, whose pair then takes the next text's first byte.
    const auto walk = [&pairs](std::string_view text, std::size_t at) {
        bool lastStarts = false;
        for (; at < text.size(); at += IsLead(text[at]) ? 2 : 1) {
            if (at + 1 < text.size()) pairs.set(PairOf(text[at], text[at + 1]));
            lastStarts = at + 1 == text.size();
        }
        return lastStarts;
    };
    std::string head;
    for (int run = 0; run < RunCount(); ++run) {
        const int cityIndex = RunCity(run);
        const TStoredShi& city = FTables.Cities.Stored(cityIndex);
        const TStoredKenmei& pref = FTables.Prefs.Stored(city.Pref);
        for (const bool reading : {false, true}) {
            head.assign(FTables.Text(reading ? pref.Kana : pref.Name));
            head.append(FTables.Text(reading ? city.Kana : city.Name));
            const std::size_t shift = reading ? KanaShift(cityIndex) : NameShift(cityIndex);
            bool walked = false, lastStarts = false;  // the head is walked once, for a town with a code
            for (int town = RunStart(run); town < RunStart(run + 1); ++town) {
                const TStoredPostNo& entry = FTables.Towns.Stored(town);
                if (entry.Code.Length == 0) continue;
                if (!walked) lastStarts = walk(head, 0);
                walked = true;
                const std::string_view own = FTables.Text(reading ? entry.Kana : entry.Name);
                if (own.empty()) continue;
                if (lastStarts) pairs.set(PairOf(head.back(), own[0]));
                walk(own, shift);
            }
        }
    }
}

std::size_t TAddressIndex::PlausibleLength(std::string_view text)
{
    if (!FPairs) BuildPairs();
    for (std::size_t at = 0; at + 1 < text.size();) {
        if (!FPairs->test(PairOf(text[at], text[at + 1]))) return at + 1;
        at += IsLead(text[at]) ? 2 : 1;
    }
    return text.size();
}

std::size_t TAddressIndex::HeldBytes() const
{
    return FCityNames.HeldBytes() + FRuns.capacity() * sizeof(TRun) + FHeads.capacity() * sizeof(THeadBytes) +
           FTextStarts.capacity() * sizeof(std::uint32_t) + (FPairs ? sizeof(*FPairs) : 0);
}

TAddressMatch::TAddressMatch(const TAddressIndex& index, std::string_view text)
    : FIndex(index), FTables(index.Tables()), FText(text), FBorders(text.size()),
      FCities(decltype(TPostalTables::Cities)::Capacity, csUnknown)
{
    // FBorders[i]: the length of the longest proper beginning of text[0..i] that also ends it.
    for (std::size_t i = 1, length = 0; i < text.size(); ++i) {
        while (length > 0 && text[i] != text[length]) length = FBorders[length - 1];
        if (text[i] == text[length]) ++length;
        FBorders[i] = static_cast<std::uint32_t>(length);
    }
}

void TAddressMatch::MatchHead(std::string_view pref, std::string_view city, THead& head)
{
    head.Contains = false;
    head.Rests.clear();
    FJoined.assign(pref).append(city);
    const std::string_view joined = FJoined;
    const std::size_t size = joined.size();
    FStarts.assign(size, 0);
    for (std::size_t at = 0; at < size; at += IsLead(joined[at]) ? 2 : 1) FStarts[at] = 1;

    // One pass of the text's matching automaton over the head finds where the text occurs in it and,
    // at its end, every end of the head that begins the text.
    const std::size_t length = FText.size();
    std::size_t matched = 0;
    for (std::size_t i = 0; i < size; ++i) {
        while (matched > 0 && joined[i] != FText[matched]) matched = FBorders[matched - 1];
        if (joined[i] == FText[matched]) ++matched;
        if (matched == length) {
            if (FStarts[i + 1 - length]) {
                head.Contains = true;
                return;
            }
            matched = FBorders[matched - 1];
        }
    }
    for (; matched > 0; matched = FBorders[matched - 1])
        if (FStarts[size - matched]) head.Rests.push_back(static_cast<std::uint32_t>(length - matched));
}

void TAddressMatch::LoadHeads(int city)
{
    if (city == FCity) return;
    FCity = city;
    const TStoredShi& entry = FTables.Cities.Stored(city);
    const TStoredKenmei& pref = FTables.Prefs.Stored(entry.Pref);
    MatchHead(FTables.Text(pref.Name), FTables.Text(entry.Name), FAddressHead);
    MatchHead(FTables.Text(pref.Kana), FTables.Text(entry.Kana), FReadingHead);
}

TAddressMatch::TCityState TAddressMatch::StateOf(int city)
{
    TCityState& state = FCities[static_cast<std::size_t>(city)];
    if (state == csUnknown) {
        // Most heads hold not even the text's first byte: nothing to match.
        state = csOwnTexts;
        if (FIndex.HeadHolds(city, FText[0])) {
            LoadHeads(city);
            if (FAddressHead.Contains || FReadingHead.Contains || !FAddressHead.Rests.empty() ||
                !FReadingHead.Rests.empty())
                state = csHeads;
        }
    }
    return state;
}

namespace {

// Whether `text`, whose characters start at byte `shift` and after each character, holds `wanted`
// at a character start. The walk over the characters only goes forward, so a text is walked once
// however many byte-level hits it has.
bool ContainsFrom(std::string_view text, std::size_t shift, std::string_view wanted)
{
    std::size_t at = 0, walk = shift;
    for (;;) {
        const std::size_t found = FindBytes(text.substr(at), wanted);
        if (found == std::string_view::npos) return false;
        const std::size_t hit = at + found;
        while (walk < hit) walk += IsLead(text[walk]) ? 2 : 1;
        if (walk == hit) return true;
        at = hit + 1;
    }
}

bool BeginsWithRest(std::string_view text, const std::vector<std::uint32_t>& rests, std::string_view wanted)
{
    for (const std::uint32_t rest : rests) {
        const std::string_view left = wanted.substr(wanted.size() - rest);
        if (!text.empty() && text[0] == left[0] && text.starts_with(left)) return true;
    }
    return false;
}

}  // namespace

bool TAddressMatch::HeadsMatch(std::string_view name, std::string_view kana) const
{
    return FAddressHead.Contains || FReadingHead.Contains || BeginsWithRest(name, FAddressHead.Rests, FText) ||
           BeginsWithRest(kana, FReadingHead.Rests, FText);
}

bool TAddressMatch::TownMatches(int town)
{
    const TStoredPostNo& entry = FTables.Towns.Stored(town);
    if (entry.Code.Length == 0) return false;
    const std::string_view name = FTables.Text(entry.Name), kana = FTables.Text(entry.Kana);
    if (StateOf(entry.City) == csHeads) {
        LoadHeads(entry.City);
        if (HeadsMatch(name, kana)) return true;
    }
    return ContainsFrom(name, FIndex.NameShift(entry.City), FText) ||
           ContainsFrom(kana, FIndex.KanaShift(entry.City), FText);
}

int TAddressMatch::ScanOwnTexts(int from, int to) const
{
    const std::string_view store = FTables.StoredBytes();
    const std::size_t end = FIndex.TextStart(to);
    std::size_t at = FIndex.TextStart(from);
    int town = from;
    std::size_t walkField = std::string_view::npos, walk = 0;  // the field walked, and its walk so far
    while (at < end) {
        const std::size_t found = FindBytes(store.substr(at, end - at), FText);
        if (found == std::string_view::npos) return to;
        const std::size_t hit = at + found;
        // The town whose texts hold the hit: galloping from the last one, since hits tend to lie a
        // few towns ahead.
        int low = town, high = town + 1;
        for (int step = 1; high < to && FIndex.TextStart(high) <= hit; step *= 2) {
            low = high;
            high = std::min(to, low + step);
        }
        while (high - low > 1) {
            const int middle = low + (high - low) / 2;
            (FIndex.TextStart(middle) <= hit ? low : high) = middle;
        }
        town = low;
        const TStoredPostNo& entry = FTables.Towns.Stored(town);
        const auto holds = [&](TTextSpan span) {
            return hit >= span.Offset && hit + FText.size() <= span.Offset + span.Length;
        };
        TTextSpan field;
        std::size_t shift = 0;
        if (holds(entry.Name)) {
            field = entry.Name;
            shift = FIndex.NameShift(entry.City);
        } else if (holds(entry.Kana)) {
            field = entry.Kana;
            shift = FIndex.KanaShift(entry.City);
        } else {  // across two texts, or in a code or a head's name between them
            at = hit + 1;
            continue;
        }
        if (entry.Code.Length == 0) {  // a town without a code gives no line
            at = FIndex.TextStart(town + 1);
            continue;
        }
        if (field.Offset != walkField) {
            walkField = field.Offset;
            walk = field.Offset + shift;
        }
        while (walk < hit) walk += IsLead(store[walk]) ? 2 : 1;
        if (walk == hit) return town;
        at = hit + 1;
    }
    return to;
}

int TAddressMatch::OwnTextsMatch(int from, int to)
{
    if (to != FOwnTo || from < FOwnFrom || from > FOwnFound) {
        FOwnFrom = from;
        FOwnTo = to;
        FOwnFound = ScanOwnTexts(from, to);
    }
    return FOwnFound;
}

int TAddressMatch::RunOf(int town)
{
    if (town < FIndex.RunStart(FRun)) return FRun = FIndex.RunOf(town);
    for (int step = 0; FIndex.RunStart(FRun + 1) <= town; ++step)
        if (step == 4) return FRun = FIndex.RunOf(town);
        else ++FRun;
    return FRun;
}

int TAddressMatch::NextMatch(int from, int to)
{
    const int end = std::min(to, FIndex.EndTown());
    if (from >= end) return to;
    int town = from;
    int run = RunOf(town);
    while (town < end) {
        if (FIndex.LaidOut()) {
            // The runs from here whose cities' heads play no part are searched with one byte search.
            // The stretch is kept for the next call, which starts inside it, so each run is looked at
            // once in all.
            if (run < FStretchRun || run > FStretchEnd || FStretchLimit != end) {
                FStretchRun = FStretchEnd = run;
                FStretchLimit = end;
            }
            while (FStretchEnd < FIndex.RunCount() && FIndex.RunStart(FStretchEnd) < end &&
                   StateOf(FIndex.RunCity(FStretchEnd)) == csOwnTexts)
                ++FStretchEnd;
            const int stretchEnd = std::min(end, FIndex.RunStart(FStretchEnd));
            if (town < stretchEnd) {
                const int found = OwnTextsMatch(town, stretchEnd);
                if (found < stretchEnd) return found;
                town = stretchEnd;
            }
            run = FStretchEnd;
            if (town >= end) break;
        }
        const int runEnd = std::min(end, FIndex.RunStart(run + 1));
        if (!FIndex.LaidOut()) {
            for (; town < runEnd; ++town)
                if (TownMatches(town)) return town;
        } else {
            // A city whose heads play a part: before the first town whose own texts hold the text,
            // only a head can make a town match.
            LoadHeads(FIndex.RunCity(run));
            const bool everyTown = FAddressHead.Contains || FReadingHead.Contains;
            const int holding = everyTown ? runEnd : OwnTextsMatch(town, runEnd);
            for (; town < holding; ++town) {
                const TStoredPostNo& entry = FTables.Towns.Stored(town);
                if (entry.Code.Length > 0 && HeadsMatch(FTables.Text(entry.Name), FTables.Text(entry.Kana)))
                    return town;
            }
            if (holding < runEnd) return holding;
        }
        ++run;
    }
    return to;
}
