#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SearchResult.h"
#include "Tables.h"

class TCodeIndex;
class TAddressIndex;

// The two searches over loaded tables (which must not change afterwards). Creating the searches
// builds nothing: the code search walks the codes the first time and builds its index when it runs
// again (the index costs more than one walk), the address search builds its index the first time
// it runs. The results are identical to a plain walk of the tables in table order. Not for use from
// several threads at once.
class TPostalSearch
{
public:
    // Builds nothing.
    explicit TPostalSearch(const TPostalTables& tables);
    ~TPostalSearch();
    TPostalSearch(const TPostalSearch&) = delete;
    TPostalSearch& operator=(const TPostalSearch&) = delete;

    // Every filled town whose Code begins with `query`, in table order, as result lines; status
    // CountText(lines). An empty query lists nothing.
    TSearchResult ByCode(std::string_view query) const;

    // The address search: prefecture and city recognition, the town scan with continuation lines,
    // the 5001-line cap ("5000件以上"), shortening one byte at a time while the working query has
    // three bytes or more, and the status suffix naming a shortened query.
    TSearchResult ByAddress(std::string_view query) const;

    const TPostalTables& Tables() const { return FTables; }
    // Bytes held by the derived indexes built so far (beside the tables' own), for memory reports.
    std::size_t IndexBytes() const;

private:
    const TPostalTables& FTables;
    mutable std::unique_ptr<TCodeIndex> FCodes;
    mutable bool FCodesWalked = false;
    mutable std::vector<int> FFound;  // the towns a code search found, kept for its room
    mutable std::unique_ptr<TAddressIndex> FAddresses;

    TAddressIndex& Addresses() const;
    // One address-search attempt with working query `query`: appends its lines and their towns to
    // `result` and returns how many (result and continuation lines; at most one more than the cap).
    int Attempt(std::string_view query, TSearchResult& result) const;
    // The length of the longest beginning of `text` that some town's full address or full reading
    // contains at a character start (0 when not even its first byte does).
    std::size_t LongestOccurringStart(std::string_view text) const;
};
