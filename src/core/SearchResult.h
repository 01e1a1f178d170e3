#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "Tables.h"

// What one search leaves for the window: the lines of the result list in order, and the status
// panel's text. Both in Shift-JIS bytes.
struct TSearchResult
{
    std::vector<std::string> Lines;
    std::string Status;
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
