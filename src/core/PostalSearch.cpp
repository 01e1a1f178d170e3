#include "PostalSearch.h"

#include "SearchIndexes.h"

TPostalSearch::TPostalSearch(const TPostalTables& tables) : FTables(tables) {}

TPostalSearch::~TPostalSearch() = default;

TAddressIndex& TPostalSearch::Addresses() const
{
    if (!FAddresses) FAddresses = std::make_unique<TAddressIndex>(FTables);
    return *FAddresses;
}

std::size_t TPostalSearch::IndexBytes() const
{
    return (FCodes ? sizeof(TCodeIndex) + FCodes->HeldBytes() : 0) +
           (FAddresses ? sizeof(TAddressIndex) + FAddresses->HeldBytes() : 0);
}
