#include "SearchResult.h"

#include "SjisText.h"

std::string ResultLine(const TPostalTables& tables, int town)
{
    const TPostNo entry = tables.Towns[town];
    const Tshi city = tables.Cities[entry.City];
    const TKenmei pref = tables.Prefs[city.Pref];
    const std::string_view head = SjisPiece(entry.Code, 1, 3);
    // Bytes 4-10 only: a code longer than ten bytes is cut, so the address always starts right
    // after the two blanks.
    const std::string_view tail = SjisPiece(entry.Code, 4, 7);
    std::string line;
    line.reserve(head.size() + tail.size() + 3 + pref.Name.size() + city.Name.size() + entry.Name.size());
    line.append(head).append("-").append(tail).append("  ");
    line.append(pref.Name).append(city.Name).append(entry.Name);
    return line;
}

std::string ContinuationLine(std::string_view townName)
{
    std::string line(14, ' ');
    line.append(townName);
    return line;
}
