#include "SearchResult.h"

#include <algorithm>
#include <cstring>

namespace {

// The pieces of a result line: the code's bytes 1-3, "-", its bytes 4-10 (a longer code is cut, so
// the address always starts right after the two blanks), the blanks, then the names joined.
struct TLinePieces
{
    std::string_view Code, Pref, City, Town;
    std::size_t Head = 0, Tail = 0;

    TLinePieces(std::string_view code, std::string_view pref, std::string_view city, std::string_view town)
        : Code(code), Pref(pref), City(city), Town(town), Head(std::min<std::size_t>(code.size(), 3)),
          Tail(std::min<std::size_t>(code.size() - Head, 7))
    {
    }
    std::size_t Length() const { return Head + Tail + 3 + Pref.size() + City.size() + Town.size(); }

    // Writes the line's Length() bytes at `out`.
    void Write(char* out) const
    {
        if (Code.size() == 7) {  // nearly always: two fixed-size copies
            std::memcpy(out, Code.data(), 3);
            std::memcpy(out + 4, Code.data() + 3, 4);
        } else {
            CopyText(out, Code.substr(0, Head));
            CopyText(out + Head + 1, Code.substr(Head, Tail));
        }
        out[Head] = '-';
        char* blanks = out + Head + 1 + Tail;
        blanks[0] = blanks[1] = ' ';
        CopyText(CopyText(CopyText(blanks + 2, Pref), City), Town);
    }
};

TLinePieces PiecesOf(const TPostalTables& tables, int town)
{
    const TStoredPostNo& entry = tables.Towns.Stored(town);
    const TStoredShi& city = tables.Cities.Stored(entry.City);
    return {tables.Text(entry.Code), tables.Text(tables.Prefs.Stored(city.Pref).Name), tables.Text(city.Name),
            tables.Text(entry.Name)};
}

}  // namespace

void TResultLines::reserve(std::size_t lines, std::size_t bytes)
{
    FEnds.reserve(FEnds.size() + lines);
    FText.reserve(FText.size() + bytes);
}

char* TResultLines::Append(std::size_t length)
{
    const std::size_t begin = FText.size();
    FText.resize(begin + length);
    FEnds.push_back(FText.size());
    return FText.data() + begin;
}

void TResultLines::push_back(std::string_view line) { CopyText(Append(line.size()), line); }

void TResultLines::clear()
{
    FText.clear();
    FEnds.clear();
}

std::vector<std::string> TResultLines::Strings() const { return {begin(), end()}; }

bool operator==(const TResultLines& lines, const std::vector<std::string>& strings)
{
    return std::equal(lines.begin(), lines.end(), strings.begin(), strings.end());
}

std::string ResultLine(const TPostalTables& tables, int town)
{
    const TLinePieces pieces = PiecesOf(tables, town);
    std::string line(pieces.Length(), ' ');
    pieces.Write(line.data());
    return line;
}

std::string ResultLine(std::string_view code, std::string_view prefName, std::string_view cityName,
                       std::string_view townName)
{
    const TLinePieces pieces(code, prefName, cityName, townName);
    std::string line(pieces.Length(), ' ');
    pieces.Write(line.data());
    return line;
}

void AppendResultLine(const TPostalTables& tables, int town, TResultLines& lines)
{
    const TLinePieces pieces = PiecesOf(tables, town);
    pieces.Write(lines.Append(pieces.Length()));
}

void AppendResultLine(std::string_view code, std::string_view prefName, std::string_view cityName,
                      std::string_view townName, TResultLines& lines)
{
    const TLinePieces pieces(code, prefName, cityName, townName);
    pieces.Write(lines.Append(pieces.Length()));
}

std::string ContinuationLine(std::string_view townName)
{
    std::string line(14, ' ');
    line.append(townName);
    return line;
}

void AppendContinuationLine(std::string_view townName, TResultLines& lines)
{
    char* out = lines.Append(14 + townName.size());
    std::memset(out, ' ', 14);
    CopyText(out + 14, townName);
}
