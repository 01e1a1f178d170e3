#pragma once
#include <cstddef>
#include <optional>
#include <string>

#include "Loader.h"

// A data file held in memory. Reads hand out at most `chunk` bytes at a time, so line and field
// boundaries fall across reads. Failures are injected: a read that reaches `FailReadAt` throws
// EInOutError, and so does Close after FailClose.
class TMemorySource : public IByteSource
{
public:
    explicit TMemorySource(std::string bytes, std::size_t chunk = 5);
    std::size_t Read(char* buffer, std::size_t size) override;
    void Close() override;

    // The first read that would deliver byte `offset` (0-based) throws EInOutError(code) instead.
    void FailReadAt(std::size_t offset, int code);
    // Close throws EInOutError(code).
    void FailClose(int code) { FCloseFailure = code; }
    int CloseCount() const { return FCloses; }

private:
    std::string FBytes;
    std::size_t FChunk;
    std::size_t FPos = 0;
    std::optional<std::size_t> FFailAt;
    int FFailCode = 0;
    std::optional<int> FCloseFailure;
    int FCloses = 0;
};
