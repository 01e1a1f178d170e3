#pragma once
#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PostalSearch.h"
#include "Tables.h"

// Derived data the two searches keep beside the tables. Built once after the load; every answer is
// the one a plain walk of the tables in table order gives.

// Every town that has a code, in table order (an "entry" here): its result line, a 0x00 byte, its
// full reading, a 0x00 byte. No stored text can hold 0x00 (it ends a line of the data file), so a
// text without 0x00 found in this store lies inside one entry's line or reading.
class TTownTexts
{
public:
    explicit TTownTexts(const TPostalTables& tables);

    int Count() const { return static_cast<int>(FTowns.size()); }
    int Town(int entry) const { return FTowns[static_cast<std::size_t>(entry)]; }
    // The first entry whose town index is `town` or above; Count() when there is none.
    int EntryFrom(int town) const;
    std::string_view Line(int entry) const;
    std::string_view Address(int entry) const;
    std::string_view Reading(int entry) const;

    // The first entry in [from, to) whose full address or full reading contains `text` at a
    // character start; `to` when there is none. `text` must be non-empty and hold no 0x00.
    int NextMatch(int from, int to, std::string_view text) const;
    // The length of the longest beginning of `text` that passes a quick test: each two bytes that
    // start at one of its character starts also stand at a character start of some address or
    // reading. A text that some address or reading contains passes whole.
    std::size_t PlausibleLength(std::string_view text) const;
    // The longest full address or full reading of any entry, in bytes.
    std::size_t LongestText() const { return FLongestText; }
    std::size_t HeldBytes() const;

private:
    const TPostalTables& FTables;
    std::string FBytes;
    std::vector<std::int32_t> FTowns;    // town index of each entry
    std::vector<std::uint32_t> FStarts;  // offset of each entry's line, then the store's end
    std::size_t FLongestText = 0;
    std::bitset<65536> FPairs;           // the byte pairs at character starts of addresses and readings

    std::size_t AddressStart(int entry) const;
    // The entry in [from, to) whose bytes hold store offset `offset`; the entry `from` starts at or
    // before it.
    int EntryHolding(std::size_t offset, int from, int to) const;
};

// The codes of every town that has one, sorted by code and then by table order.
class TCodeIndex
{
public:
    TCodeIndex(const TPostalTables& tables, const TTownTexts& texts);
    // The entries (of TTownTexts) whose code begins with `prefix`, in table order.
    std::vector<int> Find(std::string_view prefix) const;
    std::size_t HeldBytes() const { return FEntries.capacity() * sizeof(std::int32_t); }

private:
    const TPostalTables& FTables;
    const TTownTexts& FTexts;
    std::vector<std::int32_t> FEntries;

    std::string_view Code(std::int32_t entry) const;
};

// Every non-empty city Name and Kana, found by its first two bytes (first byte for one-byte names).
class TCityNames
{
public:
    explicit TCityNames(const TPostalTables& tables);
    // The lowest city index in [from, to] whose Name or Kana `text` contains at a character start;
    // -1 when there is none.
    int FirstIn(std::string_view text, int from, int to) const;
    std::size_t HeldBytes() const { return (FLong.capacity() + FShort.capacity()) * sizeof(TName); }

private:
    struct TName
    {
        std::uint16_t Key;
        std::int32_t City;
        std::string_view Text;
    };
    std::vector<TName> FLong;   // two bytes or more, sorted by Key (the first two bytes)
    std::vector<TName> FShort;  // one byte, sorted by Key (that byte)
};

struct TPostalSearch::TIndexes
{
    explicit TIndexes(const TPostalTables& tables);

    // One address-search attempt with working query `query`: appends its lines to `lines` and
    // returns how many (result and continuation lines; at most one more than the cap).
    int Attempt(std::string_view query, std::vector<std::string>& lines) const;
    // The length of the longest beginning of `text` that some town's full address or full reading
    // contains at a character start (0 when not even its first byte does).
    std::size_t LongestOccurringStart(std::string_view text) const;

    const TPostalTables& Tables;
    TTownTexts Texts;
    TCodeIndex Codes;
    TCityNames CityNames;
    // For each of Prefs 0-47, the last city the city recognition walks to from its FirstCity.
    std::array<int, 48> LastCity{};
};
