#include "JsonAnswer.h"

#include <nlohmann/json.hpp>

#include "SjisConvert.h"

std::string JsonAnswer(std::string_view query, const TCommandOutcome& outcome, const TPostalTables& tables)
{
    // The keys keep the order they are written in, the order the documentation lists them.
    using TJson = nlohmann::ordered_json;
    const TSearchResult& result = outcome.Result;
    TJson results = TJson::array();
    int count = 0;
    for (const TListedTown& listed : result.Towns) {
        const TPostNo town = tables.Towns[listed.Town];
        const Tshi city = tables.Cities[town.City];
        const TKenmei pref = tables.Prefs[city.Pref];
        if (!listed.Continuation) ++count;
        results.push_back(TJson{{"code", Utf8FromSjis(town.Code)},
                                {"prefecture", Utf8FromSjis(pref.Name)},
                                {"city", Utf8FromSjis(city.Name)},
                                {"town", Utf8FromSjis(town.Name)},
                                {"prefecture_kana", Utf8FromSjis(pref.Kana)},
                                {"city_kana", Utf8FromSjis(city.Kana)},
                                {"town_kana", Utf8FromSjis(town.Kana)},
                                {"continuation", listed.Continuation}});
    }
    TJson answer{{"query", std::string(query)},
                 {"search", outcome.Ran == skCode ? "code" : "address"},
                 {"status", Utf8FromSjis(result.Status)},
                 {"count", count},
                 {"capped", result.Capped},
                 {"shortened", result.Shortened.empty() ? TJson() : TJson(Utf8FromSjis(result.Shortened))},
                 {"results", std::move(results)}};
    // The query comes from outside and need not be UTF-8: its stray bytes become U+FFFD rather than
    // failing the answer. Every other text is the converter's output, which always is UTF-8.
    return answer.dump(-1, ' ', false, TJson::error_handler_t::replace);
}
