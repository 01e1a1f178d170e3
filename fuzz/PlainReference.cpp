#include "PlainReference.h"

#include "PlainSearch.h"

TPlainReference::TPlainReference(const TPostalTables& tables) : FSearch(std::make_unique<TPlainSearch>(tables)) {}

TPlainReference::~TPlainReference() = default;

TSearchResult TPlainReference::ByCode(std::string_view query) const { return FSearch->ByCode(query); }

TSearchResult TPlainReference::ByAddress(std::string_view query) const { return FSearch->ByAddress(query); }
