#include "Tables.h"

#include <limits>

#include "Errors.h"

std::size_t TPostalTables::HeldBytes() const
{
    return sizeof(*this) + FStore.capacity() + sizeof(TStoredKenmei) * decltype(Prefs)::Capacity +
           sizeof(TStoredShi) * decltype(Cities)::Capacity + sizeof(TStoredPostNo) * decltype(Towns)::Capacity;
}

void TTablesWriter::Reserve(std::size_t bytes) { FTables.FStore.reserve(FTables.FStore.size() + bytes); }

TTextSpan TTablesWriter::Store(std::string_view text)
{
    std::string& store = FTables.FStore;
    // Spans hold 32-bit offsets; a store beyond that cannot come from any real data file.
    if (text.size() > std::numeric_limits<std::uint32_t>::max() - store.size())
        throw EHarvikError("\x83" "f\x81[\x83^\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x91\xE5\x82\xAB\x82\xB7\x82\xAC\x82\xDC\x82\xB7");  // データファイルが大きすぎます
    const TTextSpan span{static_cast<std::uint32_t>(store.size()), static_cast<std::uint32_t>(text.size())};
    store.append(text);
    return span;
}

void TTablesWriter::Finish() { FTables.FStore.shrink_to_fit(); }
