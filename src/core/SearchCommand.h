#pragma once
#include <string>
#include <string_view>

#include "Loader.h"
#include "PostalSearch.h"
#include "SearchResult.h"

// Which search the search command runs.
enum TSearchKind
{
    skCode,
    skAddress
};

// The search command's hyphen rule: when the first "-" at a character start stands at byte 4, the
// text without that one hyphen; otherwise the text unchanged ("123-4567" -> "1234567",
// "123-45-67" -> "12345-67", "12-34567" unchanged).
std::string RemoveCodeHyphen(std::string_view text);

// The search the search command runs for a text (after the hyphen rule): skCode when IsInteger.
TSearchKind ChooseSearch(std::string_view text);

// Whether a change of the input line to `text` runs the incremental code search: an integer of more
// than one byte.
bool RunsIncrementalSearch(std::string_view text);

// One run of the search command on the input line's text.
struct TCommandOutcome
{
    std::string Text;     // the line's text after the hyphen rule
    TSearchKind Ran;      // the search that ran on it
    TSearchResult Result;
};
TCommandOutcome RunSearchCommand(const TPostalSearch& search, std::string_view lineText);

// The search command on the data that `source` holds, as LoadPostalData followed by
// RunSearchCommand on the loaded tables, with the same outcome and the same failures, for a single
// search: a code search keeps only the towns it lists (ReadCodeMatches) instead of the tables.
// The result's Towns name towns of tables the caller never sees (none for a code search): output
// that lists the towns' fields runs RunSearchCommand on tables of its own.
TCommandOutcome RunSearchCommandOnData(IByteSource& source, std::string_view lineText);
