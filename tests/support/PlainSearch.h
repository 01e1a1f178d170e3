#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "SearchResult.h"
#include "SjisText.h"
#include "Tables.h"

// What a result says beyond its lines and status, as one text for comparisons: each line's town
// ("+" before a continuation line's), then whether the cap was hit and the shortened query.
inline std::string ResultTowns(const TSearchResult& result)
{
    std::string text;
    for (const TListedTown& listed : result.Towns) text += (listed.Continuation ? "+" : "") + std::to_string(listed.Town) + " ";
    return text + (result.Capped ? "capped " : "") + "shortened:" + result.Shortened;
}

// The two searches as a plain walk of the tables, step by step and without any derived index.
// Slow on purpose; tests compare the indexed searches (TPostalSearch) with it.
class TPlainSearch
{
public:
    explicit TPlainSearch(const TPostalTables& tables) : FTables(tables)
    {
        FAddress.reserve(TownCount);
        FReading.reserve(TownCount);
        for (int k = 0; k < TownCount; ++k) {
            const TPostNo town = tables.Towns[k];
            if (town.Code.empty()) {  // never compared: a town without a code gives no line
                FAddress.emplace_back();
                FReading.emplace_back();
                continue;
            }
            const Tshi city = tables.Cities[town.City];
            const TKenmei pref = tables.Prefs[city.Pref];
            FAddress.push_back(std::string(pref.Name) + std::string(city.Name) + std::string(town.Name));
            FReading.push_back(std::string(pref.Kana) + std::string(city.Kana) + std::string(town.Kana));
        }
    }

    TSearchResult ByCode(std::string_view query) const
    {
        TSearchResult result;
        for (int k = 0; k < TownCount; ++k)
            if (SjisBeginsWith(FTables.Towns[k].Code, query)) {
                result.Lines.push_back(ResultLine(FTables, k));
                result.Towns.push_back({k, false});
            }
        result.Status = CountText(static_cast<long long>(result.Lines.size()));
        return result;
    }

    // Every attempt is run; none is passed over.
    TSearchResult ByAddress(std::string_view query) const
    {
        TSearchResult result;
        std::string_view w = query;
        int count = Attempt(w, result);
        while (count == 0 && w.size() >= 3) {
            w.remove_suffix(1);
            count = Attempt(w, result);
        }
        if (count == 0) {
            result.Status = CountText(0);
            return result;
        }
        result.Capped = count > 5000;
        result.Status = count > 5000 ? std::string("5000\x8C\x8F\x88\xC8\x8F\xE3")  // 5000件以上
                                     : CountText(static_cast<long long>(result.Lines.size()));
        if (w.size() != query.size()) {
            result.Shortened = w;
            result.Status += "  " + std::string(w) +
                             "\x82\xC5\x8C\x9F\x8D\xF5\x82\xF0\x8D\x73\x82\xA2\x82\xDC\x82\xB5\x82\xBD";  // で検索を行いました
        }
        return result;
    }

    int Attempt(std::string_view w, TSearchResult& result) const
    {
        const auto& prefs = FTables.Prefs;
        const auto& cities = FTables.Cities;
        const auto& towns = FTables.Towns;
        std::string_view r = w;
        int pref = -1;
        for (int i = 0; i <= 47 && pref < 0; ++i) {
            std::string_view matched;
            if (SjisBeginsWith(r, prefs[i].Name))
                matched = prefs[i].Name;
            else if (SjisBeginsWith(r, prefs[i].Kana))
                matched = prefs[i].Kana;
            else
                continue;
            pref = i;
            if (matched.size() < r.size()) r.remove_prefix(matched.size());
        }
        int city = -1;
        for (int j = pref >= 0 ? prefs[pref].FirstCity : 0;; ++j) {
            if (SjisContains(r, cities[j].Name) || SjisContains(r, cities[j].Kana)) {
                city = j;
                break;
            }
            if (j + 1 > 4000 || (pref >= 0 && cities[j + 1].Pref != pref)) break;
        }
        int k = city >= 0 ? cities[city].FirstTown : pref >= 0 ? cities[prefs[pref].FirstCity].FirstTown : 0;
        int count = 0;
        bool continuing = false;
        for (;; ++k) {
            const TPostNo town = towns[k];
            if (town.Code.empty()) {
                continuing = false;
            } else if (SjisContains(FAddress[k], r) || SjisContains(FReading[k], r)) {
                result.Lines.push_back(ResultLine(FTables, k));
                result.Towns.push_back({k, false});
                ++count;
                continuing = true;
            } else if (continuing && k >= 2 && town.Code == towns[k - 1].Code) {
                result.Lines.push_back(ContinuationLine(town.Name));
                result.Towns.push_back({k, true});
                ++count;
            } else {
                continuing = false;
            }
            if (k == 150000 || count > 5000) break;
            if (pref >= 0 && cities[towns[k + 1].City].Pref != pref) break;
            if (city >= 0 && towns[k + 1].City != city) break;
        }
        return count;
    }

private:
    static constexpr int TownCount = 150001;
    const TPostalTables& FTables;
    std::vector<std::string> FAddress, FReading;
};
