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
    AppendResultLines(tables, std::span<const int>(&town, 1), lines);
}

void AppendResultLines(const TPostalTables& tables, std::span<const int> towns, TResultLines& lines)
{
    std::string& text = lines.FText;
    std::size_t used = text.size();
    constexpr std::size_t LineBytes = 48;  // room foreseen for a line: most lines are shorter
    text.resize(used + towns.size() * LineBytes + CopyBlock);
    const std::size_t firstLine = lines.FEnds.size();
    lines.FEnds.resize(firstLine + towns.size());
    std::size_t* ends = lines.FEnds.data() + firstLine;
    // Tables whose texts are all empty have no store to read: their spans all read this instead.
    static constexpr char NoStore[TextReadSlack] = {};
    const char* store = tables.StoredBytes().empty() ? NoStore : tables.StoredBytes().data();
    // Towns listed one after another mostly share their city: its names are looked up once.
    int lastCity = -1;
    TTextSpan pref, city;
    for (std::size_t i = 0; i < towns.size(); ++i) {
        const TStoredPostNo& entry = tables.Towns.Stored(towns[i]);
        if (entry.City != lastCity) {
            lastCity = entry.City;
            const TStoredShi& stored = tables.Cities.Stored(entry.City);
            city = stored.Name;
            pref = tables.Prefs.Stored(stored.Pref).Name;
        }
        const std::size_t codeLength = entry.Code.Length;
        const std::size_t head = std::min<std::size_t>(codeLength, 3);
        const std::size_t tail = std::min<std::size_t>(codeLength - head, 7);
        const std::size_t length = head + tail + 3 + pref.Length + city.Length + entry.Name.Length;
        // A longer line than foreseen: room for it, and again for the lines after it. Only the bytes
        // added are cleared, and the string's capacity grows in steps of its own.
        if (text.size() - used < length + CopyBlock)
            text.resize(used + length + CopyBlock + (towns.size() - i - 1) * LineBytes);
        char* out = text.data() + used;
        const char* code = store + entry.Code.Offset;
        if (codeLength == 7) {  // nearly always: two copies of four bytes, the hyphen over the first's last
            std::memcpy(out, code, 4);
            std::memcpy(out + 4, code + 3, 4);
        } else {
            CopyText(out, std::string_view(code, head));
            CopyText(out + head + 1, std::string_view(code + head, tail));
        }
        out[head] = '-';
        char* blanks = out + head + 1 + tail;
        blanks[0] = blanks[1] = ' ';
        char* next = CopyBlocks(blanks + 2, store + pref.Offset, pref.Length);
        next = CopyBlocks(next, store + city.Offset, city.Length);
        CopyBlocks(next, store + entry.Name.Offset, entry.Name.Length);
        used += length;
        *ends++ = used;
    }
    text.resize(used);
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
