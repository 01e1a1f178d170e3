#pragma once
#include <cstddef>

// Memory for the tables and their text store, taken straight from the system: zero-filled, and laid
// out in the processor's large (2 MB) pages where the system offers them. The national list touches
// about 7 MB of tables and store while it loads; in 4 KB pages that is nearly two thousand page
// faults, which took a fifth of a load's time, and a few large pages take a handful. The last large
// pieces freed are kept for the process's next tables.
class TTableMemory
{
public:
    TTableMemory() = default;
    // `size` zero bytes (none for 0). Throws std::bad_alloc when the system refuses.
    explicit TTableMemory(std::size_t size);
    // `size` bytes, zero or, when not `zeroed`, undefined.
    TTableMemory(std::size_t size, bool zeroed);
    TTableMemory(TTableMemory&& other) noexcept;
    TTableMemory& operator=(TTableMemory&& other) noexcept;
    TTableMemory(const TTableMemory&) = delete;
    TTableMemory& operator=(const TTableMemory&) = delete;
    ~TTableMemory();

    char* Data() const { return FData; }
    std::size_t Size() const { return FSize; }
    // Changes the size to `size`, keeping the first bytes (those added are undefined). The memory
    // may move. Throws std::bad_alloc when the system refuses, with nothing changed.
    void Resize(std::size_t size);

    // `size` rounded up to whole large pages when it takes at least one: memory of that size lies in
    // large pages only, where the last part of a smaller size would be faulted in 4 KB at a time.
    static std::size_t WholeLargePages(std::size_t size);

    // The bytes all table memory of this process holds now, for memory reports: the allocator does
    // not see them.
    static std::size_t HeldNow();

private:
    char* FData = nullptr;
    std::size_t FSize = 0;
    void Release() noexcept;
};
