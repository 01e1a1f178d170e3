#pragma once
#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Tables.h"

// Derived data the two searches keep beside the tables, each built the first time its search runs.
// Every answer is the one a plain walk of the tables in table order gives.

// The towns that have a code, ordered for prefix lookups.
class TCodeIndex
{
public:
    explicit TCodeIndex(const TPostalTables& tables);
    // Fills `found` with the towns whose Code begins with `prefix`, in table order; none for an
    // empty prefix.
    void Find(std::string_view prefix, std::vector<int>& found) const;
    std::size_t HeldBytes() const;

private:
    const TPostalTables& FTables;
    // Towns whose code is seven ASCII digits (all of them in the national list), grouped by the
    // code's first three digits, in table order within each group: FFirst[n] is where the group of
    // the three digits of n begins (FFirst[1000]: the end).
    std::vector<std::int32_t> FTowns;
    std::vector<std::uint16_t> FTails;  // the last four digits of each of FTowns' codes, as a number
    std::array<std::int32_t, 1001> FFirst{};
    // Every other town with a code, sorted by its bytes, equal codes in table order.
    std::vector<std::int32_t> FOther;

    std::string_view Code(std::int32_t town) const { return FTables.Text(FTables.Towns.Stored(town).Code); }
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

// What the address search keeps. A town's full address is its prefecture's and its city's Name
// (the city's "head", the same for every town of the city) followed by the town's own Name; its
// full reading is the same with the Kana fields. The towns' own texts are read where the tables
// hold them: no full address is ever put together.
class TAddressIndex
{
public:
    explicit TAddressIndex(const TPostalTables& tables);

    const TPostalTables& Tables() const { return FTables; }
    const TCityNames& CityNames() const { return FCityNames; }
    // For each of Prefs 0-47, the last city the city recognition walks to from its FirstCity.
    int LastCity(int pref) const { return FLastCity[static_cast<std::size_t>(pref)]; }
    // One past the last town that has a code: no town from there on gives a line.
    int EndTown() const { return FEndTown; }
    // The runs of consecutive towns of one city, in table order, up to EndTown(): run r holds the
    // towns [RunStart(r), RunStart(r + 1)) of city RunCity(r), and RunStart(RunCount()) is EndTown().
    int RunCount() const { return static_cast<int>(FRuns.size()) - 1; }
    int RunStart(int run) const { return FRuns[static_cast<std::size_t>(run)].FirstTown; }
    int RunCity(int run) const { return FRuns[static_cast<std::size_t>(run)].City; }
    // The run that holds `town` (0 <= town < EndTown()).
    int RunOf(int town) const;
    // For a city that has towns: whether its address head or its reading head holds byte `b`.
    bool HeadHolds(int city, char b) const { return Head(city).Holds(b); }
    // For a city that has towns: 1 when the last character of its address head takes the first byte
    // of its towns' Names (the head ends in a lone lead byte), else 0; the same for the reading head
    // and the towns' Kana.
    std::size_t NameShift(int city) const { return Head(city).NameShift; }
    std::size_t KanaShift(int city) const { return Head(city).KanaShift; }
    // The longest full address or full reading of any town that has a code, in bytes.
    std::size_t LongestText() const { return FLongestText; }
    // Whether the towns' Name and Kana texts lie in the store in table order, each town's Name
    // before its Kana, none overlapping another: then one byte search over the store finds the
    // towns of a run that contain a text.
    bool LaidOut() const { return FLaidOut; }
    // Where town `town`'s texts begin in the store (LaidOut() only): every text of the town lies in
    // [TextStart(town), TextStart(town + 1)). Defined for 0 <= town <= EndTown().
    std::uint32_t TextStart(int town) const
    {
        if (!FTextStarts.empty()) return FTextStarts[static_cast<std::size_t>(town)];
        if (town == FEndTown) return FTextEnd;
        const TStoredPostNo& entry = FTables.Towns.Stored(town);
        return entry.Name.Length > 0 ? entry.Name.Offset : entry.Kana.Offset;
    }

    // The length of the longest beginning of `text` that passes a quick test: each two bytes that
    // start at one of its character starts also stand at a character start of some full address or
    // reading. A text that some address or reading contains passes whole. Builds its table of byte
    // pairs the first time.
    std::size_t PlausibleLength(std::string_view text);
    // Whether the table of byte pairs exists (PlausibleLength has run).
    bool HasPairs() const { return FPairs != nullptr; }

    std::size_t HeldBytes() const;

private:
    const TPostalTables& FTables;
    TCityNames FCityNames;
    std::array<int, 48> FLastCity{};
    int FEndTown = 0;
    std::size_t FLongestText = 0;
    bool FLaidOut = true;
    struct TRun
    {
        std::int32_t FirstTown, City;
    };
    // What a city's heads are made of, whatever the query.
    struct THeadBytes
    {
        std::array<std::uint64_t, 4> Bytes{};  // every byte value of the address and the reading head, a bit each
        std::uint8_t NameShift = 0, KanaShift = 0;
        bool Holds(char b) const
        {
            const auto value = static_cast<unsigned char>(b);
            return (Bytes[value >> 6] >> (value & 63) & 1) != 0;
        }
    };
    std::vector<TRun> FRuns;                 // and one more: EndTown()
    std::vector<THeadBytes> FHeads;          // by city; filled for the cities that have towns
    std::uint32_t FTextEnd = 0;              // where the last town's texts end
    // LaidOut() only, and only when some town has neither a Name nor a Kana: TextStart of towns 0
    // to EndTown(). Otherwise each town's entry tells where its texts begin.
    std::vector<std::uint32_t> FTextStarts;
    std::unique_ptr<std::bitset<65536>> FPairs;  // the byte pairs at character starts

    const THeadBytes& Head(int city) const { return FHeads[static_cast<std::size_t>(city)]; }
    // The part of a prefecture's cities' heads that its own texts give, worked out once for them all.
    struct TPrefHead
    {
        int Pref = -1;
        THeadBytes Head;
    };
    // Notes the head of `city`, whose prefecture's part `pref` holds, or is made to hold.
    void NoteHead(int city, TPrefHead& pref);
    // Reads every town for the runs, EndTown, LongestText, LaidOut and where the texts end; returns
    // whether some town has neither text.
    bool ReadTowns();
    void BuildPairs();
};

// One working query's matching against full addresses and readings, for the towns of the tables
// in table order. Each town's own texts are searched once, whatever their length: the character
// starts are found by a walk that never goes back.
class TAddressMatch
{
public:
    // `text` must be non-empty; it is kept as a view.
    TAddressMatch(const TAddressIndex& index, std::string_view text);
    // The first town in [from, to) that has a code and whose full address or full reading contains
    // the text at a character start; `to` when there is none.
    int NextMatch(int from, int to);

private:
    // What the text has to do with one city's head (prefecture and city Name, or Kana, joined).
    struct THead
    {
        bool Contains = false;  // the head itself contains the text at a character start
        // For each character start of the head whose bytes to the head's end begin the text: how
        // many of the text's bytes are left for the town's own text to begin with.
        std::vector<std::uint32_t> Rests;
    };
    enum TCityState : std::uint8_t
    {
        csUnknown,
        csOwnTexts,  // neither head plays a part: only the towns' own texts can hold the text
        csHeads      // a head holds the text, or ends in a beginning of it
    };

    const TAddressIndex& FIndex;
    const TPostalTables& FTables;
    std::string_view FText;
    std::vector<std::uint32_t> FBorders;  // the text's prefix function (Knuth-Morris-Pratt)
    std::vector<TCityState> FCities;      // what each city's heads have to do with the text
    int FCity = -1;                       // the city FAddressHead and FReadingHead are for
    THead FAddressHead, FReadingHead;
    // The runs from FStretchRun up to FStretchEnd, before the town FStretchLimit, are of cities
    // whose heads play no part.
    int FStretchRun = -1, FStretchEnd = -1, FStretchLimit = -1;
    // The last byte search of the towns' own texts: from FOwnFrom, before FOwnTo, it found FOwnFound.
    int FOwnFrom = -1, FOwnTo = -1, FOwnFound = -1;
    int FRun = 0;  // the run the last call began in
    std::string FJoined;                  // scratch: a head put together
    std::vector<std::uint8_t> FStarts;    // scratch: the head's character starts

    TCityState StateOf(int city);
    void LoadHeads(int city);
    void MatchHead(std::string_view pref, std::string_view city, THead& head);
    bool TownMatches(int town);
    // Whether the loaded heads make a town with these texts match, whatever its own texts hold.
    bool HeadsMatch(std::string_view name, std::string_view kana) const;
    // The first town in [from, to) that has a code and whose own Name or Kana contains the text:
    // found by one byte search over the store (LaidOut() only), or the last search's answer when it
    // still holds.
    int OwnTextsMatch(int from, int to);
    // The run that holds `town`, found from the last call's: calls mostly go forward a few towns.
    int RunOf(int town);
    int ScanOwnTexts(int from, int to) const;
};
