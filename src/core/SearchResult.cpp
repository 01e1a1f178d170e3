#include "SearchResult.h"

#include <algorithm>
#include <cstring>

std::string ResultLine(const TPostalTables& tables, int town)
{
    const TStoredPostNo& entry = tables.Towns.Stored(town);
    const TStoredShi& city = tables.Cities.Stored(entry.City);
    const std::string_view code = tables.Text(entry.Code);
    const std::string_view prefName = tables.Text(tables.Prefs.Stored(city.Pref).Name);
    return ResultLine(code, prefName, tables.Text(city.Name), tables.Text(entry.Name));
}

std::string ResultLine(std::string_view code, std::string_view prefName, std::string_view cityName,
                       std::string_view townName)
{
    // The code's bytes 1-3, "-", its bytes 4-10 (a longer code is cut, so the address always starts
    // right after the two blanks), the blanks.
    const std::size_t head = std::min<std::size_t>(code.size(), 3);
    const std::size_t tail = std::min<std::size_t>(code.size() - head, 7);
    // One allocation of the exact size, the pieces copied in place.
    std::string line(head + tail + 3 + prefName.size() + cityName.size() + townName.size(), ' ');
    char* out = line.data();
    if (code.size() == 7) {  // nearly always: two fixed-size copies
        std::memcpy(out, code.data(), 3);
        std::memcpy(out + 4, code.data() + 3, 4);
    } else {
        CopyText(out, code.substr(0, head));
        CopyText(out + head + 1, code.substr(head, tail));
    }
    out[head] = '-';
    CopyText(CopyText(CopyText(out + head + tail + 3, prefName), cityName), townName);
    return line;
}

std::string ContinuationLine(std::string_view townName)
{
    std::string line(14, ' ');
    line.append(townName);
    return line;
}
