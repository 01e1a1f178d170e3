// Loading the national list from a file in the page cache, beside a floor measured in the same run:
// a plain read of the file into a fresh buffer plus a count of its line ends.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <fcntl.h>
#include <malloc.h>
#include <memory>
#include <unistd.h>

#include "Loader.h"
#include "NationalList.h"

namespace {

void BM_FloorReadAndCountLines(benchmark::State& state)
{
    const std::string path = NationalListPath();
    std::size_t lines = 0;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        const off_t size = ::lseek(fd, 0, SEEK_END);
        ::lseek(fd, 0, SEEK_SET);
        // Not zero-filled, as the loader's own store is not.
        const std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(size)]);
        std::size_t got = 0;
        while (got < static_cast<std::size_t>(size)) {
            const ssize_t n = ::read(fd, buffer.get() + got, static_cast<std::size_t>(size) - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        ::close(fd);
        lines = static_cast<std::size_t>(std::count(buffer.get(), buffer.get() + got, '\n'));
        benchmark::DoNotOptimize(lines);
    }
    if (lines != 124825) state.SkipWithError("the national list should have 124,825 lines");
}

void BM_LoadNationalList(benchmark::State& state)
{
    const std::string folder = NationalListFolder();
    std::size_t held = 0, heap = 0;
    for (auto _ : state) {
        const std::size_t before = ::mallinfo2().uordblks;
        TPostalTables tables;
        LoadPostalFile(tables, {}, folder);
        heap = ::mallinfo2().uordblks - before;
        held = tables.HeldBytes();
        if (tables.Towns[124824].Code.empty() || !tables.Towns[124825].Code.empty()) {
            state.SkipWithError("the national list should load into 124,825 towns");
            break;
        }
    }
    // HeldBytes counts the entries and the text store by capacity; HeapBytes is what the allocator
    // reports in use while the loaded tables exist, the loader's buffers already freed.
    state.counters["HeldMB"] = static_cast<double>(held) / (1024.0 * 1024.0);
    state.counters["HeapMB"] = static_cast<double>(heap) / (1024.0 * 1024.0);
}

}  // namespace

BENCHMARK(BM_FloorReadAndCountLines)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadNationalList)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
