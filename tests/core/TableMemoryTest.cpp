// The tables' memory: fresh memory reads as zeros at every size (the tables rely on empty entries
// being all zero), a resize keeps what it held whether the pages move or not, and the process's
// count of it goes back to where it was once everything is freed. Memory given back and taken again
// reads as zeros too. Making pages ready brings in those asked for, and only those, changing nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "TableMemory.h"

namespace {

bool AllZero(const char* data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        if (data[i] != 0) return false;
    return true;
}

TEST(TableMemory, FreshMemoryIsZeroAndCountedUntilFreed)
{
    const std::size_t before = TTableMemory::HeldNow();
    {
        std::vector<TTableMemory> blocks;
        // Below a page, pages and a bit, exactly 2 MB, several MB and a bit.
        for (const std::size_t size : {std::size_t{1}, std::size_t{4097}, std::size_t{2} << 20, (std::size_t{5} << 20) + 3}) {
            blocks.emplace_back(size);
            ASSERT_NE(blocks.back().Data(), nullptr);
            EXPECT_EQ(blocks.back().Size(), size);
            EXPECT_TRUE(AllZero(blocks.back().Data(), size)) << size;
            std::memset(blocks.back().Data(), 0x5A, size);  // every byte is writable
        }
        EXPECT_GE(TTableMemory::HeldNow(), before + (std::size_t{7} << 20));
        TTableMemory moved = std::move(blocks.back());
        EXPECT_EQ(blocks.back().Data(), nullptr);
        EXPECT_EQ(moved.Size(), (std::size_t{5} << 20) + 3);
    }
    EXPECT_EQ(TTableMemory::HeldNow(), before);
    EXPECT_EQ(TTableMemory(0).Data(), nullptr);
}

// Large pieces given back are kept for the next tables of the process; taken again, they read as
// zeros like fresh ones, and memory asked for without zeros is whole and writable.
TEST(TableMemory, MemoryTakenAgainIsZero)
{
    const std::size_t before = TTableMemory::HeldNow();
    for (int round = 0; round < 3; ++round) {
        for (const std::size_t size : {std::size_t{2} << 20, (std::size_t{4} << 20) + 28}) {
            TTableMemory zeroed(size);
            EXPECT_TRUE(AllZero(zeroed.Data(), size)) << round << " " << size;
            std::memset(zeroed.Data(), 0x5A, size);
            TTableMemory any(size, false);
            std::memset(any.Data(), 0x33, size);
            EXPECT_NE(any.Data()[0], zeroed.Data()[0]);  // two pieces, not one
        }
    }
    EXPECT_EQ(TTableMemory::HeldNow(), before);
}

TEST(TableMemory, ResizeKeepsTheBytesHeld)
{
    const std::size_t before = TTableMemory::HeldNow();
    std::mt19937 random(12);
    std::vector<char> model;
    TTableMemory memory;
    // Growing and shrinking across page and megabyte sizes, as a text store does while it fills
    // and once it is finished; the memory is compared with a plain copy after each step.
    for (const std::size_t size : {std::size_t{100}, std::size_t{4096}, std::size_t{3} << 20, std::size_t{70000},
                                   std::size_t{9} << 20, std::size_t{1}, std::size_t{0}, std::size_t{5000}}) {
        const std::size_t kept = std::min(size, model.size());
        memory.Resize(size);
        model.resize(size);
        ASSERT_EQ(memory.Size(), size);
        if (kept > 0) {
            ASSERT_EQ(std::memcmp(memory.Data(), model.data(), kept), 0) << size;
        }
        for (std::size_t i = kept; i < size; ++i) memory.Data()[i] = model[i] = static_cast<char>(random());
    }
    memory = TTableMemory();
    EXPECT_EQ(TTableMemory::HeldNow(), before);
}

// Whether each page of `memory` is in memory now.
std::vector<bool> PagesPresent(const TTableMemory& memory)
{
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> present((memory.Size() + page - 1) / page);
    EXPECT_EQ(::mincore(memory.Data(), memory.Size(), present.data()), 0);
    return std::vector<bool>(present.begin(), present.end());
}

TEST(TableMemory, PrefaultBringsInTheAskedPagesOnly)
{
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    TTableMemory memory(100 * page + 10);  // fresh: no page of it is in memory yet
    ASSERT_EQ(PagesPresent(memory), std::vector<bool>(101, false));
    std::memset(memory.Data() + 3 * page, 0x5A, 7);
    // From inside page 10 through the first byte of page 20, and over the end of the memory.
    memory.Prefault(10 * page + 100, 10 * page - 99);
    memory.Prefault(98 * page, 5 * page);
    memory.Prefault(200 * page, page);
    std::vector<bool> expected(101, false);
    for (const std::size_t present : {std::size_t{3}, std::size_t{98}, std::size_t{99}, std::size_t{100}})
        expected[present] = true;
    for (std::size_t present = 10; present <= 20; ++present) expected[present] = true;
    EXPECT_EQ(PagesPresent(memory), expected);
    EXPECT_TRUE(AllZero(memory.Data(), 3 * page));
    EXPECT_TRUE(AllZero(memory.Data() + 3 * page + 7, memory.Size() - 3 * page - 7));
}

}  // namespace
