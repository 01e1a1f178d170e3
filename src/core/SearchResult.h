#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Tables.h"

// The town one result line shows. A continuation line shows only the town's Name, below the line
// of a town with the same code.
struct TListedTown
{
    std::int32_t Town = 0;      // index in Towns
    bool Continuation = false;
    bool operator==(const TListedTown&) const = default;
};

// What one search leaves for the window: the lines of the result list in order, and the status
// panel's text. Both in Shift-JIS bytes. Towns says which town each line shows, for output that
// lists the towns' fields rather than the lines.
struct TSearchResult
{
    std::vector<std::string> Lines;
    std::vector<TListedTown> Towns;  // one per line: Towns[i] is what Lines[i] shows (see
                                     // RunSearchCommandOnData for a search that keeps no tables)
    std::string Status;
    bool Capped = false;     // the address search stopped at its cap: the status reads 5000件以上
    std::string Shortened;   // the working query that listed, when the address search had to shorten
                             // the query to list anything (the status names it); else empty
    bool Listed() const { return !Lines.empty(); }
};

// The status text shown while an address search runs: "検索中です" (Shift-JIS).
inline constexpr std::string_view SearchingText = "\x8C\x9F\x8D\xF5\x92\x86\x82\xC5\x82\xB7";  // 検索中です

// The result line of town `town`: the code's bytes 1-3, "-", the code's bytes 4 on, two blanks,
// then the prefecture's, the city's and the town's Name joined.
std::string ResultLine(const TPostalTables& tables, int town);
// The same line from the texts themselves: the town's code, its prefecture's, city's and own Name.
std::string ResultLine(std::string_view code, std::string_view prefName, std::string_view cityName,
                       std::string_view townName);

// A continuation line: 14 blanks followed by the town's Name.
std::string ContinuationLine(std::string_view townName);
