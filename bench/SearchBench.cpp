// The code and address searches on the national list, loaded once. Each benchmark checks the number
// of lines its search lists as well as the time.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <string>
#include <vector>

#include "Loader.h"
#include "NationalList.h"
#include "PostalSearch.h"
#include "SjisConvert.h"

namespace {

const TPostalTables& Tables()
{
    static const TPostalTables* tables = [] {
        auto* loaded = new TPostalTables;
        LoadPostalFile(*loaded, {}, NationalListFolder());
        return loaded;
    }();
    return *tables;
}

const TPostalSearch& Search()
{
    static const TPostalSearch search(Tables());
    return search;
}

// Fails the benchmark when the search did not list `lines` lines; the label names the time the
// median must stay within.
void CheckCount(benchmark::State& state, const TSearchResult& found, std::size_t lines, const char* target)
{
    state.SetLabel(target);
    if (found.Lines.size() != lines)
        state.SkipWithError(
            ("expected " + std::to_string(lines) + " lines, got " + std::to_string(found.Lines.size())).c_str());
    state.counters["Lines"] = static_cast<double>(found.Lines.size());
}

void BM_BuildIndexes(benchmark::State& state)
{
    const TPostalTables& tables = Tables();
    std::size_t index = 0, heap = 0;
    for (auto _ : state) {
        const std::size_t before = ::mallinfo2().uordblks;
        const TPostalSearch search(tables);
        heap = ::mallinfo2().uordblks - before;
        index = search.IndexBytes();
        if (search.ByCode("1000001").Lines.size() != 1) state.SkipWithError("code 1000001 should list one town");
    }
    // IndexMB counts the derived indexes by capacity; HeapMB is what the allocator reports in use
    // for them; TablesMB is the loaded tables' own, for comparison.
    state.counters["IndexMB"] = static_cast<double>(index) / (1024.0 * 1024.0);
    state.counters["HeapMB"] = static_cast<double>(heap) / (1024.0 * 1024.0);
    state.counters["TablesMB"] = static_cast<double>(tables.HeldBytes()) / (1024.0 * 1024.0);
}

void BM_CodeSearch(benchmark::State& state, const char* query, std::size_t lines, const char* target)
{
    const TPostalSearch& search = Search();
    TSearchResult found;
    for (auto _ : state) {
        found = search.ByCode(query);
        benchmark::DoNotOptimize(found);
    }
    CheckCount(state, found, lines, target);
}

void BM_AddressSearch(benchmark::State& state, std::string query, std::size_t lines, const char* target)
{
    const TPostalSearch& search = Search();
    const std::string sjis = SjisFromUtf8(query);
    TSearchResult found;
    for (auto _ : state) {
        found = search.ByAddress(sjis);
        benchmark::DoNotOptimize(found);
    }
    CheckCount(state, found, lines, target);
}

// Queries the whole of which no address contains, of state.range(0) bytes: a start that occurs,
// then a filler repeated. Shortening has to come back to the start, or to less.
struct TLongQuery
{
    const char* Start;
    const char* Filler;
    std::size_t Lines;  // what the search lists, for any length from 64 bytes up
};
constexpr TLongQuery LongQueries[] = {
    {"東京都千代田区丸の内", "九", 305},        // a city's towns, after one scan of that city
    {"北海道", "東京都千代田区丸の内", 134},     // a prefecture that holds none of the rest
    {"", "ｱｲｳｴｵ", 2},                          // half-width kana, as readings hold them
    {"", "札幌市中央区", 89},                   // a city name over and over
    {"", "ﾝ", 0},                              // nothing at all, down to two bytes
};

void BM_LongQuery(benchmark::State& state, TLongQuery shape)
{
    const TPostalSearch& search = Search();
    std::string query = SjisFromUtf8(shape.Start);
    const std::string filler = SjisFromUtf8(shape.Filler);
    while (query.size() < static_cast<std::size_t>(state.range(0))) query += filler;
    query.resize(static_cast<std::size_t>(state.range(0)));
    TSearchResult found;
    for (auto _ : state) {
        found = search.ByAddress(query);
        benchmark::DoNotOptimize(found);
    }
    CheckCount(state, found, shape.Lines, "target: at most 100 ms at any length");
}

}  // namespace

BENCHMARK(BM_BuildIndexes)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_CodeSearch, ThreeDigitPrefix, "068", 321, "target: at most 30 us")
    ->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_CodeSearch, FullCode, "1000001", 1, "target: at most 2 us")
    ->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_AddressSearch, NarrowedToACity, "東京都千代田区丸の内", 305, "target: at most 0.1 ms")
    ->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_AddressSearch, PrefectureCityTown, "北海道札幌市中央区大通西", 2, "target: at most 0.1 ms")
    ->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_AddressSearch, WholeTableKanji, "大通西", 9, "target: at most 1.5 ms")
    ->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_AddressSearch, WholeTableKana, "ｵｵﾄﾞｵﾘﾆｼ", 9, "target: at most 1.5 ms")
    ->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_LongQuery, CityThenFiller, LongQueries[0])
    ->RangeMultiplier(16)
    ->Range(64, 1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_LongQuery, PrefectureThenOtherAddress, LongQueries[1])
    ->RangeMultiplier(16)
    ->Range(64, 1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_LongQuery, RepeatedKana, LongQueries[2])
    ->RangeMultiplier(16)
    ->Range(64, 1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_LongQuery, RepeatedCityName, LongQueries[3])
    ->RangeMultiplier(16)
    ->Range(64, 1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_LongQuery, NothingAtAll, LongQueries[4])
    ->RangeMultiplier(16)
    ->Range(64, 1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
