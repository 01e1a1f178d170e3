#pragma once
#include <cstddef>

// Memory for the tables and their text store, taken straight from the system and zero-filled. The
// national list touches about 7 MB of tables and store while it loads: nearly two thousand 4 KB
// pages, which faulted in one by one took a fifth of a load's time on some machines. Their writers
// make the pages ready a part at a time ahead of what they write (Prefault), one request to the
// system for many pages. The pages are the system's small ones: in a virtual machine the system's
// large (2 MB) pages go back to the host soon after they are freed, and taking such pages again
// made the window's load of the national list two to three times as long in most starts. The last
// large pieces freed are kept for the process's next tables.
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

    // Makes the pages of bytes `offset` to `offset + length` (cut at Size()) present and writable
    // at once, in one request rather than one page fault each as they are first written. Changes no
    // byte; does nothing where the system cannot.
    void Prefault(std::size_t offset, std::size_t length);
    // For a writer that fills the memory from its start on: the bytes before Ready() have been
    // made ready, and MakeReadyThrough(end) makes those before `end` ready, with a step beyond it,
    // so that a writer asks again only once per step.
    std::size_t Ready() const { return FReady; }
    void MakeReadyThrough(std::size_t end);

    // The bytes all table memory of this process holds now, for memory reports: the allocator does
    // not see them.
    static std::size_t HeldNow();

private:
    char* FData = nullptr;
    std::size_t FSize = 0;
    std::size_t FReady = 0;  // never beyond FSize
    void Release() noexcept;
};
