#include "MemorySource.h"

#include <algorithm>
#include <cstring>

#include "Errors.h"

TMemorySource::TMemorySource(std::string bytes, std::size_t chunk) : FBytes(std::move(bytes)), FChunk(chunk) {}

std::size_t TMemorySource::Read(char* buffer, std::size_t size)
{
    std::size_t n = std::min({size, FChunk, FBytes.size() - FPos});
    if (FFailAt && n > 0 && FPos + n > *FFailAt) throw EInOutError(FFailCode);
    std::memcpy(buffer, FBytes.data() + FPos, n);
    FPos += n;
    return n;
}

void TMemorySource::Close()
{
    ++FCloses;
    if (FCloseFailure) throw EInOutError(*FCloseFailure);
}

void TMemorySource::FailReadAt(std::size_t offset, int code)
{
    FFailAt = offset;
    FFailCode = code;
}
