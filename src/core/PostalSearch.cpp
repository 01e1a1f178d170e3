#include "PostalSearch.h"

#include <algorithm>

#include "SearchIndexes.h"

TPostalSearch::TIndexes::TIndexes(const TPostalTables& tables)
    : Tables(tables), Texts(tables), Codes(tables, Texts), CityNames(tables)
{
    constexpr int lastCity = decltype(TPostalTables::Cities)::Capacity - 1;
    for (int pref = 0; pref < static_cast<int>(LastCity.size()); ++pref) {
        const TKenmei entry = tables.Prefs[pref];
        int city = entry.FirstCity;
        while (city + 1 <= lastCity && tables.Cities[city + 1].Pref == pref) ++city;
        LastCity[static_cast<std::size_t>(pref)] = city;
    }
}

TPostalSearch::TPostalSearch(const TPostalTables& tables)
    : FTables(tables), FIndexes(std::make_unique<TIndexes>(tables))
{
}

TPostalSearch::~TPostalSearch() = default;

std::size_t TPostalSearch::IndexBytes() const
{
    return sizeof(TIndexes) + FIndexes->Texts.HeldBytes() + FIndexes->Codes.HeldBytes() +
           FIndexes->CityNames.HeldBytes();
}
