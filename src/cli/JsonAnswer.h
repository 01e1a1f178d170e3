#pragma once
#include <string>
#include <string_view>

#include "SearchCommand.h"
#include "Tables.h"

// The answer to one query as one JSON object on one line (UTF-8, no line end), the same for
// harvik-query --format json and for the lookup service:
//   {"query": the query as typed, "search": "code" or "address", "status": the status text,
//    "count": the towns listed (continuation lines are not counted), "capped": whether the address
//    search stopped at its cap, "shortened": the shortened query the address search listed with,
//    or null when it did not shorten the query,
//    "results": [{"code", "prefecture", "city", "town", "prefecture_kana", "city_kana",
//                 "town_kana", "continuation"}, ...] one per result line, in the list's order}
// `query` is the query in UTF-8; bytes of it that are not UTF-8 become U+FFFD. The texts of the
// outcome and of the towns in `tables` (which must be the tables the search ran on) are Shift-JIS,
// converted by Utf8FromSjis; the kana stay as the data file holds them (half-width).
std::string JsonAnswer(std::string_view query, const TCommandOutcome& outcome, const TPostalTables& tables);
