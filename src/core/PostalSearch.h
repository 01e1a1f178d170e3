#pragma once
#include <cstddef>
#include <memory>
#include <string_view>

#include "SearchResult.h"
#include "Tables.h"

// The two searches over loaded tables. Built once the load has ended (the tables must not change
// afterwards); it may keep derived indexes, whose results are identical to a plain walk of the tables
// in table order.
class TPostalSearch
{
public:
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
    // Bytes held by the derived indexes (beside the tables' own), for memory reports.
    std::size_t IndexBytes() const;

private:
    struct TIndexes;
    const TPostalTables& FTables;
    std::unique_ptr<TIndexes> FIndexes;
};
