#pragma once
#include <cstddef>
#include <malloc.h>

#include "TableMemory.h"

// What the process holds in memory it asked for: the allocator's heap blocks and the large blocks it
// maps on their own, and the tables' own memory, which they take from the system past the allocator.
inline std::size_t MemoryInUse()
{
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd + TTableMemory::HeldNow();
}
