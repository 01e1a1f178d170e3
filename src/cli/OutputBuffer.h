#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Output to a file descriptor in large blocks: written text is held until the block is full or
// Flush is called, so tens of thousands of result lines cost a few writes, not one each. After a
// write fails, later text is dropped and the failure is kept for Flush to report.
class TOutputBuffer
{
public:
    explicit TOutputBuffer(int fd, std::size_t blockSize = 64 * 1024);
    TOutputBuffer(const TOutputBuffer&) = delete;
    TOutputBuffer& operator=(const TOutputBuffer&) = delete;

    void Write(std::string_view bytes);
    void WriteLine(std::string_view bytes);
    // Writes out everything held. True when every write so far succeeded.
    bool Flush();
    // The errno of the first failed write; 0 when none failed.
    int Error() const { return FError; }

private:
    int FFd;
    std::size_t FBlockSize;
    std::string FHeld;
    int FError = 0;
};
