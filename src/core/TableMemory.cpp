#include "TableMemory.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace {

std::atomic<std::size_t> Held{0};

std::size_t PageSize()
{
    static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return page;
}

// What is mapped for `size` bytes: whole pages.
std::size_t Mapped(std::size_t size) { return (size + PageSize() - 1) / PageSize() * PageSize(); }

// `length` bytes (whole pages) of fresh zero memory.
char* MapZeroed(std::size_t length)
{
    void* mapped = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    return static_cast<char*>(mapped);
}

// How much memory MakeReadyThrough makes ready beyond what it is asked for: enough to spare a
// writer most page faults, little enough that the pages are still in the processor's cache when
// they are written (made ready all at once, the national list's tables had left it by then and the
// load took a tenth longer).
constexpr std::size_t ReadyStep = std::size_t{256} << 10;

// Pieces of at least this size are kept when given back.
constexpr std::size_t SpareMinimum = std::size_t{1} << 20;

// The last large pieces of table memory given back, kept for the next tables of this process: a
// process that loads again (another list, a check of a downloaded one) takes their pages already
// faulted in, where fresh ones would be faulted in and cleared again, which costs more than the
// load's own reading of the file on some systems. Each spare's first bytes hold its length.
constexpr int SpareCount = 2;
std::atomic<char*> Spares[SpareCount];

// A spare of exactly `length` mapped bytes, or null.
char* TakeSpare(std::size_t length)
{
    for (std::atomic<char*>& slot : Spares) {
        char* spare = slot.exchange(nullptr);
        if (spare == nullptr) continue;
        std::size_t spareLength = 0;
        std::memcpy(&spareLength, spare, sizeof spareLength);
        if (spareLength == length) return spare;
        char* empty = nullptr;
        if (!slot.compare_exchange_strong(empty, spare)) ::munmap(spare, spareLength);
    }
    return nullptr;
}

// Keeps `data` as a spare when it is large and a place is free, else gives it back.
void GiveBack(char* data, std::size_t length)
{
    if (length >= SpareMinimum) {
        std::memcpy(data, &length, sizeof length);
        for (std::atomic<char*>& slot : Spares) {
            char* empty = nullptr;
            if (slot.compare_exchange_strong(empty, data)) return;
        }
    }
    ::munmap(data, length);
}

}  // namespace

TTableMemory::TTableMemory(std::size_t size) : TTableMemory(size, true) {}

TTableMemory::TTableMemory(std::size_t size, bool zeroed)
{
    if (size == 0) return;
    const std::size_t length = Mapped(size);
    if (char* spare = TakeSpare(length)) {
        if (zeroed) std::memset(spare, 0, size);
        FData = spare;
    } else {
        FData = MapZeroed(length);
    }
    FSize = size;
    Held += length;
}

TTableMemory::TTableMemory(TTableMemory&& other) noexcept
    : FData(std::exchange(other.FData, nullptr)),
      FSize(std::exchange(other.FSize, 0)),
      FReady(std::exchange(other.FReady, 0))
{
}

TTableMemory& TTableMemory::operator=(TTableMemory&& other) noexcept
{
    if (this != &other) {
        Release();
        FData = std::exchange(other.FData, nullptr);
        FSize = std::exchange(other.FSize, 0);
        FReady = std::exchange(other.FReady, 0);
    }
    return *this;
}

TTableMemory::~TTableMemory() { Release(); }

void TTableMemory::Release() noexcept
{
    if (FData != nullptr) {
        GiveBack(FData, Mapped(FSize));
        Held -= Mapped(FSize);
    }
    FData = nullptr;
    FSize = 0;
    FReady = 0;
}

void TTableMemory::Resize(std::size_t size)
{
    if (FData == nullptr || size == 0) {
        *this = TTableMemory(size, false);
        return;
    }
    // The pages move with their contents rather than being copied; a shrink gives back the end.
    if (const std::size_t before = Mapped(FSize), after = Mapped(size); before != after) {
        void* moved = ::mremap(FData, before, after, MREMAP_MAYMOVE);
        if (moved == MAP_FAILED) throw std::bad_alloc();
        FData = static_cast<char*>(moved);
        Held += after;
        Held -= before;
    }
    FSize = size;
    FReady = std::min(FReady, FSize);  // the pages kept stay ready where they moved
}

void TTableMemory::Prefault(std::size_t offset, std::size_t length)
{
    if (FData == nullptr || offset >= FSize) return;
    length = std::min(length, FSize - offset);
    // From the page that holds `offset`: the bytes before it in that page are the caller's anyway.
    const std::size_t start = offset / PageSize() * PageSize();
    const std::size_t end = Mapped(offset + length);
#if defined(MADV_POPULATE_WRITE)
    // A kernel without the request (before Linux 5.14) refuses it: the pages are then faulted in as
    // they are first written, which is only slower.
    ::madvise(FData + start, end - start, MADV_POPULATE_WRITE);
#else
    static_cast<void>(start);
    static_cast<void>(end);
#endif
}

void TTableMemory::MakeReadyThrough(std::size_t end)
{
    if (end <= FReady || FReady >= FSize) return;
    const std::size_t through = end < FSize && FSize - end > ReadyStep ? end + ReadyStep : FSize;
    Prefault(FReady, through - FReady);
    FReady = through;
}

std::size_t TTableMemory::HeldNow() { return Held.load(); }
