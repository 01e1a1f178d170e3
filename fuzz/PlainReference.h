#pragma once
#include <memory>
#include <string_view>

#include "SearchResult.h"
#include "Tables.h"

class TPlainSearch;

// The plain walk of the tables (tests/support/PlainSearch.h) that the search targets compare the
// searches with, built without the fuzzer's coverage instrumentation: it is the reference, not the
// code under test, and its walks over every entry of the tables would otherwise take most of each run
// and draw the fuzzer towards its own branches.
class TPlainReference
{
public:
    explicit TPlainReference(const TPostalTables& tables);
    ~TPlainReference();
    TSearchResult ByCode(std::string_view query) const;
    TSearchResult ByAddress(std::string_view query) const;

private:
    std::unique_ptr<TPlainSearch> FSearch;
};
