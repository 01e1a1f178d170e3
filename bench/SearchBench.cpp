// The code and address searches on the national list, loaded once, the indexes they build, and the
// memory the tables and indexes hold. Each search benchmark checks the number of lines its search
// lists as well as the time.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BenchTargets.h"
#include "Loader.h"
#include "MemoryInUse.h"
#include "NationalList.h"
#include "PostalFixture.h"
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

// The searches with both their indexes built, as after a few searches in the window.
const TPostalSearch& Search()
{
    static const TPostalSearch* search = [] {
        auto* built = new TPostalSearch(Tables());
        built->ByCode("1");
        built->ByCode("1");
        built->ByAddress(SjisFromUtf8("東京都千代田区九九九"));  // shortened: builds the byte pairs too
        return built;
    }();
    return *search;
}

// Fails the benchmark when the search did not list `lines` lines.
void CheckCount(benchmark::State& state, const TSearchResult& found, std::size_t lines)
{
    if (found.Lines.size() != lines)
        state.SkipWithError(
            ("expected " + std::to_string(lines) + " lines, got " + std::to_string(found.Lines.size())).c_str());
    state.counters["Lines"] = static_cast<double>(found.Lines.size());
}

// Building what a code search and a shortened address search use, on loaded tables.
void BM_BuildIndexes(benchmark::State& state)
{
    const TPostalTables& tables = Tables();
    const std::string query = SjisFromUtf8("東京都千代田区九九九");
    for (auto _ : state) {
        const TPostalSearch search(tables);
        search.ByCode("1000001");  // a walk
        if (search.ByCode("1000001").Lines.size() != 1) state.SkipWithError("code 1000001 should list one town");
        if (search.ByAddress(query).Lines.size() != 2) state.SkipWithError("a shortened query should list two towns");
    }
}

// The tables of the national list and every index the searches build, by their own count
// (HeldBytes, IndexBytes) and by the allocator's.
void BM_TablesAndIndexesHeld(benchmark::State& state)
{
    const std::string folder = NationalListFolder();
    const std::string query = SjisFromUtf8("東京都千代田区九九九");
    std::size_t held = 0, heap = 0;
    for (auto _ : state) {
        const std::size_t before = MemoryInUse();
        TPostalTables tables;
        LoadPostalFile(tables, {}, folder);
        const TPostalSearch search(tables);
        for (int i = 0; i < 2; ++i) search.ByCode("1000001");
        if (search.ByAddress(query).Lines.size() != 2) state.SkipWithError("a shortened query should list two towns");
        heap = MemoryInUse() - before;
        held = tables.HeldBytes() + search.IndexBytes();
    }
    state.counters["HeldMB"] = static_cast<double>(held) / (1024.0 * 1024.0);
    state.counters["HeapMB"] = static_cast<double>(heap) / (1024.0 * 1024.0);
}

void BM_CodeSearch(benchmark::State& state, const char* query, std::size_t lines)
{
    const TPostalSearch& search = Search();
    TSearchResult found;
    for (auto _ : state) {
        found = search.ByCode(query);
        benchmark::DoNotOptimize(found);
    }
    CheckCount(state, found, lines);
}

void BM_AddressSearch(benchmark::State& state, std::string query, std::size_t lines)
{
    const TPostalSearch& search = Search();
    const std::string sjis = SjisFromUtf8(query);
    TSearchResult found;
    for (auto _ : state) {
        found = search.ByAddress(sjis);
        benchmark::DoNotOptimize(found);
    }
    CheckCount(state, found, lines);
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
    CheckCount(state, found, shape.Lines);
}

// A data file with one town whose name is 院 (88 40) repeated to 256 KB, searched for "@" (40): a
// byte-level hit at every second byte, none of them at a character start.
void BM_LongTownName(benchmark::State& state)
{
    std::string name;
    while (name.size() < 256 * 1024) name += "\x88\x40";
    TPostalTables tables;
    const std::string tokyo = SjisFromUtf8("東京都"), chiyoda = SjisFromUtf8("千代田区");
    LoadLines(tables, {KenLine({"1000001", tokyo, chiyoda, name, "\xC4", "\xC1", "\xC1"})});
    const TPostalSearch search(tables);
    TSearchResult found;
    for (auto _ : state) {
        found = search.ByAddress("@");
        benchmark::DoNotOptimize(found);
    }
    CheckCount(state, found, 0);
}

}  // namespace

BENCHMARK(BM_BuildIndexes)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_TablesAndIndexesHeld)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_CodeSearch, ThreeDigitPrefix, "068", 321)
    ->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_CodeSearch, FullCode, "1000001", 1)
    ->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_AddressSearch, NarrowedToACity, "東京都千代田区丸の内", 305)
    ->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_AddressSearch, PrefectureCityTown, "北海道札幌市中央区大通西", 2)
    ->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_AddressSearch, WholeTableKanji, "大通西", 9)
    ->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_AddressSearch, WholeTableKana, "ｵｵﾄﾞｵﾘﾆｼ", 9)
    ->Unit(benchmark::kMicrosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(BM_LongTownName)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
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

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv,
                         {CounterAtMost("BM_TablesAndIndexesHeld", "HeldMB", 16, "16 MB"),
                          CounterAtMost("BM_TablesAndIndexesHeld", "HeapMB", 16, "16 MB"),
                          TimeAtMost("BM_CodeSearch/ThreeDigitPrefix", 10e-6, "10 us"),
                          TimeAtMost("BM_CodeSearch/FullCode", 2e-6, "2 us"),
                          TimeAtMost("BM_AddressSearch/NarrowedToACity", 0.1e-3, "0.1 ms"),
                          TimeAtMost("BM_AddressSearch/PrefectureCityTown", 0.1e-3, "0.1 ms"),
                          TimeAtMost("BM_AddressSearch/WholeTableKanji", 1.5e-3, "1.5 ms"),
                          TimeAtMost("BM_AddressSearch/WholeTableKana", 1.5e-3, "1.5 ms"),
                          TimeAtMost("BM_LongTownName", 100e-3, "100 ms"),
                          TimeAtMost("BM_LongQuery", 100e-3, "100 ms at any length")});
}
