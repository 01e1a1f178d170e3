#include "OutputBuffer.h"

#include <cerrno>
#include <unistd.h>

TOutputBuffer::TOutputBuffer(int fd, std::size_t blockSize) : FFd(fd), FBlockSize(blockSize)
{
    FHeld.reserve(blockSize + 4096);
}

void TOutputBuffer::Write(std::string_view bytes)
{
    if (FError != 0) return;
    FHeld.append(bytes);
    if (FHeld.size() >= FBlockSize) Flush();
}

void TOutputBuffer::WriteLine(std::string_view bytes)
{
    Write(bytes);
    Write("\n");
}

bool TOutputBuffer::Flush()
{
    std::size_t done = 0;
    while (FError == 0 && done < FHeld.size()) {
        const ssize_t n = ::write(FFd, FHeld.data() + done, FHeld.size() - done);
        if (n >= 0) done += static_cast<std::size_t>(n);
        else if (errno != EINTR) FError = errno;
    }
    FHeld.clear();
    return FError == 0;
}
