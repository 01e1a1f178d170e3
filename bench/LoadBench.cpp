// Loading the national list from a file in the page cache, and loading it up to the first answer of a
// code search and of an address search, each beside a floor measured alternately in the same run: a
// plain read of the file into a fresh buffer plus a count of its line ends.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "BenchTargets.h"
#include "Loader.h"
#include "MemoryInUse.h"
#include "NationalList.h"
#include "PostalSearch.h"
#include "SjisConvert.h"

namespace {

constexpr int Runs = 31;  // of the subject and of the floor, alternately

std::size_t ReadAndCountLines(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    const off_t size = ::lseek(fd, 0, SEEK_END);
    ::lseek(fd, 0, SEEK_SET);
    // Not zero-filled, as the loader's own buffers are not.
    const std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(size)]);
    std::size_t got = 0;
    while (got < static_cast<std::size_t>(size)) {
        const ssize_t n = ::read(fd, buffer.get() + got, static_cast<std::size_t>(size) - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    const auto lines = static_cast<std::size_t>(std::count(buffer.get(), buffer.get() + got, '\n'));
    benchmark::DoNotOptimize(lines);
    return lines;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Times `subject` and the floor alternately and reports both medians and their ratio. `subject`
// returns an error text, empty when its result is right.
template <class TSubject>
void BesideTheFloor(benchmark::State& state, TSubject subject)
{
    using TClock = std::chrono::steady_clock;
    const std::string path = NationalListPath();
    std::vector<double> floor, own;
    std::string error;
    for (auto _ : state) {
        for (int run = 0; run < Runs && error.empty(); ++run) {
            const TClock::time_point start = TClock::now();
            if (ReadAndCountLines(path) != 124825) error = "the national list should have 124,825 lines";
            const TClock::time_point middle = TClock::now();
            error += subject();
            const TClock::time_point end = TClock::now();
            floor.push_back(std::chrono::duration<double>(middle - start).count());
            own.push_back(std::chrono::duration<double>(end - middle).count());
        }
        state.SetIterationTime(Median(own));
    }
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    state.counters["FloorMs"] = Median(floor) * 1e3;
    state.counters["Ratio"] = Median(own) / Median(floor);
}

void BM_LoadNationalList(benchmark::State& state)
{
    const std::string folder = NationalListFolder();
    std::size_t held = 0, heap = 0;
    BesideTheFloor(state, [&]() -> std::string {
        const std::size_t before = MemoryInUse();
        TPostalTables tables;
        LoadPostalFile(tables, {}, folder);
        heap = MemoryInUse() - before;
        held = tables.HeldBytes();
        if (tables.Towns[124824].Code.empty() || !tables.Towns[124825].Code.empty())
            return "the national list should load into 124,825 towns";
        return {};
    });
    // HeldBytes counts the entries and the text store by capacity; HeapBytes is what the allocator
    // reports in use while the loaded tables exist, the loader's buffers already freed.
    state.counters["HeldMB"] = static_cast<double>(held) / (1024.0 * 1024.0);
    state.counters["HeapMB"] = static_cast<double>(heap) / (1024.0 * 1024.0);
}

// From nothing to the first answer, as a process that asks one question does it: load, create the
// searches, search once.
void BM_LoadToFirstAnswer(benchmark::State& state, bool code, const char* query, std::size_t lines)
{
    const std::string folder = NationalListFolder();
    const std::string sjis = SjisFromUtf8(query);
    BesideTheFloor(state, [&]() -> std::string {
        TPostalTables tables;
        LoadPostalFile(tables, {}, folder);
        const TPostalSearch search(tables);
        const TSearchResult found = code ? search.ByCode(sjis) : search.ByAddress(sjis);
        if (found.Lines.size() != lines)
            return "expected " + std::to_string(lines) + " lines, got " + std::to_string(found.Lines.size());
        return {};
    });
}

}  // namespace

BENCHMARK(BM_LoadNationalList)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK_CAPTURE(BM_LoadToFirstAnswer, Code, true, "1000005", 1)
    ->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK_CAPTURE(BM_LoadToFirstAnswer, Address, false, "丸の内", 328)
    ->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv,
                         {CounterAtMost("BM_LoadNationalList", "Ratio", 2.5, "2.5x the floor"),
                          CounterAtMost("BM_LoadToFirstAnswer", "Ratio", 2.5, "2.5x the floor")});
}
