#include "Tables.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

#include "Errors.h"

void TByteStore::Reserve(std::size_t capacity)
{
    if (capacity <= FCapacity) return;
    // Spans hold 32-bit offsets; a store beyond that cannot come from any real data file.
    if (capacity > std::numeric_limits<std::uint32_t>::max())
        throw EHarvikError("\x83" "f\x81[\x83^\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x91\xE5\x82\xAB\x82\xB7\x82\xAC\x82\xDC\x82\xB7");  // データファイルが大きすぎます
    std::unique_ptr<char[]> grown(new char[capacity]);
    if (FSize > 0) std::memcpy(grown.get(), FData.get(), FSize);
    FData = std::move(grown);
    FCapacity = capacity;
}

char* TByteStore::Extend(std::size_t n)
{
    if (n > FCapacity - FSize) Reserve(std::max(FSize + n, FCapacity * 2));
    char* start = FData.get() + FSize;
    FSize += n;
    return start;
}

void TByteStore::Truncate(std::size_t size)
{
    assert(size <= FSize);
    FSize = size;
}

void TByteStore::ShrinkToFit()
{
    // A few spare bytes are not worth copying the whole store for.
    if (FCapacity - FSize <= FSize / 8 + 65536) return;
    std::unique_ptr<char[]> exact(FSize > 0 ? new char[FSize] : nullptr);
    if (FSize > 0) std::memcpy(exact.get(), FData.get(), FSize);
    FData = std::move(exact);
    FCapacity = FSize;
}

std::size_t TPostalTables::HeldBytes() const
{
    return sizeof(*this) + FStore.Capacity() + sizeof(TStoredKenmei) * decltype(Prefs)::Capacity +
           sizeof(TStoredShi) * decltype(Cities)::Capacity + sizeof(TStoredPostNo) * decltype(Towns)::Capacity;
}

TTextSpan TTablesWriter::Store(std::string_view text)
{
    TByteStore& store = FTables.FStore;
    const std::size_t offset = store.Size();
    if (!text.empty()) std::memcpy(store.Extend(text.size()), text.data(), text.size());
    return {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(text.size())};
}

void TTablesWriter::Finish() { FTables.FStore.ShrinkToFit(); }
