#include "Tables.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "Errors.h"

void TByteStore::Reserve(std::size_t capacity)
{
    if (capacity <= Capacity()) return;
    // Spans hold 32-bit offsets; a store beyond that cannot come from any real data file.
    if (capacity > std::numeric_limits<std::uint32_t>::max())
        throw EHarvikError("\x83" "f\x81[\x83^\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x91\xE5\x82\xAB\x82\xB7\x82\xAC\x82\xDC\x82\xB7");  // データファイルが大きすぎます
    FMemory.Resize(capacity);
}

void TByteStore::MakeReady(std::size_t n)
{
    if (n + FReadSlack > Capacity() - FSize) Grow(n);
    FMemory.MakeReadyThrough(FSize + n + FReadSlack);
}

void TByteStore::Grow(std::size_t n)
{
    // Never below a page, so that a store filled a few bytes at a time does not move often.
    Reserve(std::max({FSize + n + FReadSlack, Capacity() * 2, std::size_t{4096}}));
}

void TByteStore::Truncate(std::size_t size)
{
    assert(size <= FSize);
    FSize = size;
}

void TByteStore::ShrinkToFit()
{
    // A few spare bytes are not worth a call to the system.
    const std::size_t kept = FSize + FReadSlack;
    if (Capacity() <= kept || Capacity() - kept <= FSize / 8 + 65536) return;
    FMemory.Resize(kept);
}

std::size_t TPostalTables::HeldBytes() const
{
    return sizeof(*this) + FStore.Capacity() + sizeof(TStoredKenmei) * decltype(Prefs)::Capacity +
           sizeof(TStoredShi) * decltype(Cities)::Capacity + sizeof(TStoredPostNo) * decltype(Towns)::Capacity;
}

void TTablesWriter::Finish() { FTables.FStore.ShrinkToFit(); }
