#pragma once
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
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

// The lines of a result list, kept as one text: the lines' bytes one after another, and where each
// ends. A search lists up to thousands of lines of a few dozen bytes each; a string apiece would cost
// an allocation per line, which took most of a short code search's time.
class TResultLines
{
public:
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;
        const_iterator() = default;
        const_iterator(const TResultLines* lines, std::size_t at) : FLines(lines), FAt(at) {}
        std::string_view operator*() const { return (*FLines)[FAt]; }
        const_iterator& operator++()
        {
            ++FAt;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++FAt;
            return before;
        }
        bool operator==(const const_iterator& other) const { return FAt == other.FAt; }

    private:
        const TResultLines* FLines = nullptr;
        std::size_t FAt = 0;
    };
    using iterator = const_iterator;
    using value_type = std::string_view;
    using size_type = std::size_t;

    std::size_t size() const { return FEnds.size(); }
    bool empty() const { return FEnds.empty(); }
    std::string_view operator[](std::size_t i) const
    {
        const std::size_t begin = i == 0 ? 0 : FEnds[i - 1];
        return std::string_view(FText).substr(begin, FEnds[i] - begin);
    }
    std::string_view front() const { return (*this)[0]; }
    std::string_view back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    // Room for `lines` more lines of `bytes` bytes in all.
    void reserve(std::size_t lines, std::size_t bytes = 0);
    void push_back(std::string_view line);
    // A new last line of `length` bytes, returned to be filled in place.
    char* Append(std::size_t length);
    void clear();
    // The lines as strings of their own.
    std::vector<std::string> Strings() const;

    bool operator==(const TResultLines&) const = default;
    friend bool operator==(const TResultLines& lines, const std::vector<std::string>& strings);

private:
    friend void AppendResultLines(const TPostalTables& tables, std::span<const int> towns, TResultLines& lines);
    std::string FText;
    std::vector<std::size_t> FEnds;  // FEnds[i]: where line i ends in FText
};

// What one search leaves for the window: the lines of the result list in order, and the status
// panel's text. Both in Shift-JIS bytes. Towns says which town each line shows, for output that
// lists the towns' fields rather than the lines.
struct TSearchResult
{
    TResultLines Lines;
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
// ResultLine(tables, town) added to `lines`.
void AppendResultLine(const TPostalTables& tables, int town, TResultLines& lines);
// The same for each of `towns` in turn: the lines of a code search, hundreds at a time.
void AppendResultLines(const TPostalTables& tables, std::span<const int> towns, TResultLines& lines);
void AppendResultLine(std::string_view code, std::string_view prefName, std::string_view cityName,
                      std::string_view townName, TResultLines& lines);

// A continuation line: 14 blanks followed by the town's Name.
std::string ContinuationLine(std::string_view townName);
// ContinuationLine(townName) added to `lines`.
void AppendContinuationLine(std::string_view townName, TResultLines& lines);
