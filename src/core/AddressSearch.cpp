#include <algorithm>

#include "PostalSearch.h"
#include "SearchIndexes.h"
#include "SjisText.h"

namespace {

constexpr int TopTown = decltype(TPostalTables::Towns)::Capacity - 1;
constexpr int TopCity = decltype(TPostalTables::Cities)::Capacity - 1;
constexpr int SearchedPrefs = 48;  // Prefs 0-47; entry 48 is never recognised
constexpr int LineCap = 5000;      // an attempt stops once it has listed more than this

constexpr std::string_view OverCapText = "5000\x8C\x8F\x88\xC8\x8F\xE3";  // 5000件以上
constexpr std::string_view ShortenedText =
    "\x82\xC5\x8C\x9F\x8D\xF5\x82\xF0\x8D\x73\x82\xA2\x82\xDC\x82\xB5\x82\xBD";  // で検索を行いました

struct TPrefMatch
{
    int Pref = -1;            // -1: none recognised
    std::size_t Length = 0;   // bytes of the matched Name or Kana
};

TPrefMatch RecognisePref(const TPostalTables& tables, std::string_view query)
{
    for (int pref = 0; pref < SearchedPrefs; ++pref) {
        const TKenmei entry = tables.Prefs[pref];
        if (SjisBeginsWith(query, entry.Name)) return {pref, entry.Name.size()};
        if (SjisBeginsWith(query, entry.Kana)) return {pref, entry.Kana.size()};
    }
    return {};
}

// What the attempt compares addresses with: the query less the prefecture's name, unless the name
// is the whole query.
std::string_view Remainder(std::string_view query, TPrefMatch match)
{
    return match.Pref >= 0 && match.Length < query.size() ? query.substr(match.Length) : query;
}

// A remainder that no address or reading can contain, whatever part of the table is scanned. The
// quick test of byte pairs is used once it exists (the first shortening builds it).
bool NeverContained(std::string_view rest, TAddressIndex& index)
{
    return rest.empty() || rest.size() > index.LongestText() ||
           (index.HasPairs() && index.PlausibleLength(rest) < rest.size());
}

}  // namespace

int TPostalSearch::Attempt(std::string_view query, TSearchResult& result) const
{
    TAddressIndex& index = Addresses();
    const TPrefMatch match = RecognisePref(FTables, query);
    const std::string_view rest = Remainder(query, match);
    // Every town that gives a line is preceded by one that contains the remainder (continuations
    // follow a listed town), so when none can contain it the attempt lists nothing. The walk of
    // the city names is not needed to know that.
    if (NeverContained(rest, index)) return 0;

    const int pref = match.Pref;
    const int city = pref >= 0 ? index.CityNames().FirstIn(rest, FTables.Prefs[pref].FirstCity, index.LastCity(pref))
                               : index.CityNames().FirstIn(rest, 0, TopCity);
    const int first = city >= 0   ? FTables.Cities[city].FirstTown
                      : pref >= 0 ? FTables.Cities[FTables.Prefs[pref].FirstCity].FirstTown
                                  : 0;

    // The last town the scan would examine if no cap stopped it: the scan goes on while the next
    // town lies in the recognised prefecture and city.
    int last = first;
    if (pref < 0 && city < 0) {
        last = TopTown;
    } else {
        while (last < TopTown) {
            const int nextCity = FTables.Towns.Stored(last + 1).City;
            if (pref >= 0 && FTables.Cities.Stored(nextCity).Pref != pref) break;
            if (city >= 0 && nextCity != city) break;
            ++last;
        }
    }

    TAddressMatch matcher(index, rest);
    const int end = last + 1;
    int count = 0;
    int town = matcher.NextMatch(first, end);
    while (town < end) {
        AppendResultLine(FTables, town, result.Lines);
        result.Towns.push_back({town, false});
        if (++count > LineCap) return count;
        // The towns up to the next listed one do not contain the remainder. Those right after this
        // one that share its code follow as continuation lines; a town with another code or with
        // none ends the chain.
        const int listed = matcher.NextMatch(town + 1, end);
        for (int follower = town + 1; follower < listed; ++follower) {
            const TPostNo entry = FTables.Towns[follower];
            if (entry.Code.empty() || follower < 2 || entry.Code != FTables.Towns[follower - 1].Code) break;
            AppendContinuationLine(entry.Name, result.Lines);
            result.Towns.push_back({follower, true});
            if (++count > LineCap) return count;
        }
        town = listed;
    }
    return count;
}

TSearchResult TPostalSearch::ByAddress(std::string_view query) const
{
    TSearchResult result;
    std::size_t length = query.size();
    int count = Attempt(query, result);

    if (count == 0 && length >= 3) {
        // A working query recognises what the whole query recognises as long as it still holds
        // the matched prefecture name and more (every name it begins with, the whole query begins
        // with), so its remainder is a beginning of the whole query's remainder. A remainder can
        // only be contained where each shorter beginning of it is too: attempts whose remainder is
        // longer than the longest beginning that occurs anywhere list nothing and are passed over.
        const TPrefMatch match = RecognisePref(FTables, query);
        const std::size_t occurs = LongestOccurringStart(query.substr(match.Length));
        length = std::min(length, std::max(match.Length + occurs, std::size_t{2}) + 1);  // the loop drops one byte
    }
    while (count == 0 && length >= 3) count = Attempt(query.substr(0, --length), result);

    if (count == 0) {
        result.Status = CountText(0);
        return result;
    }
    result.Capped = count > LineCap;
    result.Status = result.Capped ? std::string(OverCapText) : CountText(static_cast<long long>(result.Lines.size()));
    if (length != query.size()) {
        result.Shortened = query.substr(0, length);
        result.Status.append("  ").append(result.Shortened).append(ShortenedText);
    }
    return result;
}

std::size_t TPostalSearch::LongestOccurringStart(std::string_view text) const
{
    TAddressIndex& index = Addresses();
    // Nothing longer than the longest address or reading occurs.
    text = text.substr(0, index.LongestText());
    std::size_t low = 0;  // occurs (the empty beginning counts as occurring)
    std::size_t high = index.PlausibleLength(text);
    while (low < high) {
        const std::size_t middle = low + (high - low + 1) / 2;
        if (TAddressMatch(index, text.substr(0, middle)).NextMatch(0, index.EndTown()) < index.EndTown())
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}
