#pragma once
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "TableMemory.h"

// The postal data: three fixed-capacity tables forming a hierarchy of prefectures, cities and
// towns, filled once by the loader in file order and read-only afterwards. Indexes are 0-based
// 32-bit signed integers. Every entry the loader did not fill reads as empty strings and 0.
//
// Text fields are Shift-JIS bytes exactly as the data file holds them (no quotes, no conversion,
// no trimming). They are views into one read-only byte store owned by TPostalTables, which nothing
// changes after the load, so each entry's strings read as its own.

// One prefecture.
struct TKenmei
{
    std::string_view Name;        // prefecture name in kanji
    std::string_view Kana;        // prefecture name in katakana
    std::int32_t FirstCity = 0;   // index in Cities at which this prefecture's cities begin
};

// One city (municipality or ward).
struct Tshi
{
    std::string_view Name;        // city name in kanji
    std::string_view Kana;        // city name in katakana
    std::int32_t Pref = 0;        // index in Prefs of its prefecture
    std::int32_t FirstTown = 0;   // index in Towns of its first town
};

// One town (one line of the data file).
struct TPostNo
{
    std::string_view Code;        // postal code as the file gives it, no hyphen
    std::string_view Name;        // town area name in kanji
    std::string_view Kana;        // town area name in katakana
    std::int32_t City = 0;        // index in Cities of its city
};

// A stored text: a byte range of the tables' store.
struct TTextSpan
{
    std::uint32_t Offset = 0;
    std::uint32_t Length = 0;
};

class TPostalTables;

// How far past its end a text of the tables may be read (see TPostalTables).
inline constexpr std::size_t TextReadSlack = 32;

// What CopyBlocks copies at a time; it reads and writes up to one block less a byte beyond a text.
inline constexpr std::size_t CopyBlock = 32;
static_assert(TextReadSlack >= CopyBlock, "a text of the tables is read in whole blocks");

// Copies `length` bytes from `in` to `out` in whole blocks, at least one; returns the end of the
// copy. Lengths vary from text to text, and a copy of fixed size takes no branch that mispredicts
// on them. The next copy overwrites what this one wrote past the end.
inline char* CopyBlocks(char* out, const char* in, std::size_t length)
{
    std::size_t done = 0;
    do {
        std::memcpy(out + done, in + done, CopyBlock);
        done += CopyBlock;
    } while (done < length);
    return out + length;
}

// Copies `text` to `out` and returns the end of the copy. Texts of up to 16 bytes, most of the
// tables' texts, are copied as two words that may overlap, without a library call.
inline char* CopyText(char* out, std::string_view text)
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

// A growable byte buffer whose new bytes are never zero-filled: the loader keeps the fields it uses
// in it and the tables' texts are spans of it.
class TByteStore
{
public:
    // A store that keeps `readSlack` bytes of room after the bytes it holds, whenever it holds any.
    explicit TByteStore(std::size_t readSlack = 0) : FReadSlack(readSlack) {}
    TByteStore(const TByteStore&) = delete;
    TByteStore& operator=(const TByteStore&) = delete;
    char* Data() { return FMemory.Data(); }
    const char* Data() const { return FMemory.Data(); }
    std::size_t Size() const { return FSize; }
    std::size_t Capacity() const { return FMemory.Size(); }
    // Makes room for at least `capacity` bytes, keeping the bytes held.
    void Reserve(std::size_t capacity);
    // Adds `n` bytes at the end (their values undefined until written) and returns where they start.
    // Grows the capacity at least twofold when it must grow.
    char* Extend(std::size_t n)
    {
        if (n + FReadSlack > FMemory.Ready() - FSize) MakeReady(n);
        char* start = Data() + FSize;
        FSize += n;
        return start;
    }
    // Drops the bytes from `size` on.
    void Truncate(std::size_t size);
    // Gives back the room beyond Size() when it is more than a small part of the store.
    void ShrinkToFit();

private:
    // Growing and shrinking a large store moves its pages instead of copying its bytes.
    TTableMemory FMemory;
    std::size_t FSize = 0;
    std::size_t FReadSlack = 0;

    // Grows the room for `n` more bytes where it must, and makes the next part of it ready.
    void MakeReady(std::size_t n);
    void Grow(std::size_t n);
};

// One fixed-capacity table. operator[] gives the entry at `index` (0 <= index < Capacity); an index
// outside that range is a programming error (asserted), never data.
template <class TEntry, class TStored, int N>
class TPostalTable
{
public:
    static constexpr int Capacity = N;
    explicit TPostalTable(const TPostalTables& owner)
        : FOwner(owner), FMemory(N * sizeof(TStored)), FEntries(reinterpret_cast<TStored*>(FMemory.Data()))
    {
    }
    TEntry operator[](int index) const;
    // The stored form of an entry, for code that keeps its own derived data.
    const TStored& Stored(int index) const;

private:
    friend class TTablesWriter;
    const TPostalTables& FOwner;
    // Zero-filled, so every entry starts empty and the memory of entries that are never filled is
    // never touched.
    TTableMemory FMemory;
    TStored* FEntries;

    TStored& Writable(int index)
    {
        if (index < 0 || index >= N) throw std::out_of_range("postal table index");
        const std::size_t end = (static_cast<std::size_t>(index) + 1) * sizeof(TStored);
        if (end > FMemory.Ready()) FMemory.MakeReadyThrough(end);
        return FEntries[static_cast<std::size_t>(index)];
    }
};

struct TStoredKenmei
{
    TTextSpan Name, Kana;
    std::int32_t FirstCity = 0;
};
struct TStoredShi
{
    TTextSpan Name, Kana;
    std::int32_t Pref = 0, FirstTown = 0;
};
struct TStoredPostNo
{
    TTextSpan Code, Name, Kana;
    std::int32_t City = 0;
};

// What the loader notes of the towns as it fills the tables, so that the address search need not
// read every town again to learn it. Every city it fills opens a run of consecutive towns, the first
// at town 0 and each next one at its FirstTown, and each town's Code, Name and Kana lie in the store
// one after another, after the texts of the town before.
struct TLoadedTowns
{
    int CityCount = 0;            // cities filled: 0 .. CityCount - 1
    int EndTown = 0;              // one past the last town that has a code
    std::size_t LongestText = 0;  // the longest full address or full reading of a town that has a code
    bool AnyBlank = false;        // some town has neither a Name nor a Kana
};

// The three tables and their byte store. Created empty; filled by the loader only (through
// TTablesWriter); not copyable, since the tables refer to their owner's store.
class TPostalTables
{
public:
    TPostalTables() = default;
    TPostalTables(const TPostalTables&) = delete;
    TPostalTables& operator=(const TPostalTables&) = delete;

    TPostalTable<TKenmei, TStoredKenmei, 49> Prefs{*this};   // indexes 0..48
    TPostalTable<Tshi, TStoredShi, 4001> Cities{*this};      // indexes 0..4000
    TPostalTable<TPostNo, TStoredPostNo, 150001> Towns{*this}; // indexes 0..150000

    // The bytes of a stored text.
    std::string_view Text(TTextSpan span) const
    {
        return span.Length == 0 ? std::string_view() : std::string_view(FStore.Data() + span.Offset, span.Length);
    }
    // The whole text store: every stored text lies inside it.
    std::string_view StoredBytes() const { return {FStore.Data(), FStore.Size()}; }
    // Bytes held by the tables (entries and text store), for memory reports.
    std::size_t HeldBytes() const;
    // What the loader noted of the towns, when it filled these tables and nothing has written them
    // since; null otherwise.
    const TLoadedTowns* LoadedTowns() const { return FLoadedKnown ? &FLoaded : nullptr; }

private:
    friend class TTablesWriter;
    // Any stored text may be read up to TextReadSlack bytes beyond its end, while the store holds
    // any: result lines copy the texts in whole blocks, each block's tail overwritten by what follows.
    TByteStore FStore{TextReadSlack};
    TLoadedTowns FLoaded;
    bool FLoadedKnown = false;
};

// The tables' only writer: appends entries in fill order. Used by the loader and by test fixtures
// that need tables shaped in ways no data file can produce.
class TTablesWriter
{
public:
    explicit TTablesWriter(TPostalTables& tables) : FTables(tables) {}
    // The text store itself.
    TByteStore& Bytes()
    {
        FTables.FLoadedKnown = false;
        return FTables.FStore;
    }
    // The bytes of a stored text.
    std::string_view Text(TTextSpan span) const { return FTables.Text(span); }
    // Copies `text` to the end of the store and returns its span.
    TTextSpan Store(std::string_view text)
    {
        TByteStore& store = Bytes();
        const std::size_t offset = store.Size();
        CopyText(store.Extend(text.size()), text);
        return {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(text.size())};
    }
    // The entry at `index` for filling; throws std::out_of_range outside the table.
    // Any of these forgets what the loader noted (TPostalTables::LoadedTowns).
    TStoredKenmei& Pref(int index)
    {
        FTables.FLoadedKnown = false;
        return FTables.Prefs.Writable(index);
    }
    TStoredShi& City(int index)
    {
        FTables.FLoadedKnown = false;
        return FTables.Cities.Writable(index);
    }
    TStoredPostNo& Town(int index)
    {
        FTables.FLoadedKnown = false;
        return FTables.Towns.Writable(index);
    }
    // Gives back spare room of the store once the load has ended.
    void Finish();
    // Records what the loader noted of the towns it filled, the tables' last write.
    void NoteLoadedTowns(const TLoadedTowns& loaded)
    {
        FTables.FLoaded = loaded;
        FTables.FLoadedKnown = true;
    }

private:
    TPostalTables& FTables;
};

template <class TEntry, class TStored, int N>
const TStored& TPostalTable<TEntry, TStored, N>::Stored(int index) const
{
    assert(index >= 0 && index < N);
    return FEntries[static_cast<std::size_t>(index)];
}

template <>
inline TKenmei TPostalTable<TKenmei, TStoredKenmei, 49>::operator[](int index) const
{
    const TStoredKenmei& s = Stored(index);
    return {FOwner.Text(s.Name), FOwner.Text(s.Kana), s.FirstCity};
}

template <>
inline Tshi TPostalTable<Tshi, TStoredShi, 4001>::operator[](int index) const
{
    const TStoredShi& s = Stored(index);
    return {FOwner.Text(s.Name), FOwner.Text(s.Kana), s.Pref, s.FirstTown};
}

template <>
inline TPostNo TPostalTable<TPostNo, TStoredPostNo, 150001>::operator[](int index) const
{
    const TStoredPostNo& s = Stored(index);
    return {FOwner.Text(s.Code), FOwner.Text(s.Name), FOwner.Text(s.Kana), s.City};
}
