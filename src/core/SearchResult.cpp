#include "SearchResult.h"

#include <algorithm>
#include <cstring>

#include "SjisText.h"

namespace {

// Copies `text` to `out` and returns its end. Names are mostly short: up to 16 bytes they are
// copied as two words that may overlap, without a call.
char* Put(char* out, std::string_view text)
{
    const std::size_t n = text.size();
    const char* in = text.data();
    if (n >= 8 && n <= 16) {
        std::memcpy(out, in, 8);
        std::memcpy(out + n - 8, in + n - 8, 8);
    } else if (n >= 4 && n < 8) {
        std::memcpy(out, in, 4);
        std::memcpy(out + n - 4, in + n - 4, 4);
    } else if (n > 16) {
        std::memcpy(out, in, n);
    } else {
        for (std::size_t i = 0; i < n; ++i) out[i] = in[i];
    }
    return out + n;
}

}  // namespace

std::string ResultLine(const TPostalTables& tables, int town)
{
    const TStoredPostNo& entry = tables.Towns.Stored(town);
    const TStoredShi& city = tables.Cities.Stored(entry.City);
    const std::string_view code = tables.Text(entry.Code);
    const std::string_view prefName = tables.Text(tables.Prefs.Stored(city.Pref).Name);
    const std::string_view cityName = tables.Text(city.Name), townName = tables.Text(entry.Name);
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
        Put(out, code.substr(0, head));
        Put(out + head + 1, code.substr(head, tail));
    }
    out[head] = '-';
    Put(Put(Put(out + head + tail + 3, prefName), cityName), townName);
    return line;
}

std::string ContinuationLine(std::string_view townName)
{
    std::string line(14, ' ');
    line.append(townName);
    return line;
}
