#include "TableMemory.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr std::size_t LargePage = std::size_t{2} << 20;

std::atomic<std::size_t> Held{0};

std::size_t PageSize()
{
    static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return page;
}

// What is mapped for `size` bytes: whole pages.
std::size_t Mapped(std::size_t size) { return (size + PageSize() - 1) / PageSize() * PageSize(); }

// Asks for large pages over the whole range; a system without them keeps small ones, which only
// costs speed.
void PreferLargePages(char* data, std::size_t length)
{
#if defined(MADV_HUGEPAGE)
    if (length >= LargePage) ::madvise(data, length, MADV_HUGEPAGE);
#else
    static_cast<void>(data);
    static_cast<void>(length);
#endif
}

// `length` bytes (whole pages) of fresh zero memory, starting at a large-page boundary when the
// length takes one large page or more, so that every whole large page of it can be one.
char* MapZeroed(std::size_t length)
{
    const std::size_t slack = length >= LargePage ? LargePage - PageSize() : 0;
    void* mapped = ::mmap(nullptr, length + slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    char* start = static_cast<char*>(mapped);
    if (slack > 0) {
        // The unaligned head and the tail beyond the length go back at once.
        const auto address = reinterpret_cast<std::uintptr_t>(start);
        char* aligned = start + ((LargePage - address % LargePage) % LargePage);
        if (aligned > start) ::munmap(start, static_cast<std::size_t>(aligned - start));
        if (const std::size_t tail = static_cast<std::size_t>(start + length + slack - (aligned + length)); tail > 0)
            ::munmap(aligned + length, tail);
        start = aligned;
    }
    PreferLargePages(start, length);
    return start;
}

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
    if (length >= LargePage) {
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
    : FData(std::exchange(other.FData, nullptr)), FSize(std::exchange(other.FSize, 0))
{
}

TTableMemory& TTableMemory::operator=(TTableMemory&& other) noexcept
{
    if (this != &other) {
        Release();
        FData = std::exchange(other.FData, nullptr);
        FSize = std::exchange(other.FSize, 0);
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
        PreferLargePages(FData, after);
    }
    FSize = size;
}

std::size_t TTableMemory::WholeLargePages(std::size_t size)
{
    if (size < LargePage || size > SIZE_MAX - LargePage) return size;
    return (size + LargePage - 1) / LargePage * LargePage;
}

std::size_t TTableMemory::HeldNow() { return Held.load(); }
