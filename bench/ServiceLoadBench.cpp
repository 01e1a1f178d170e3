// The lookup service (harvik-query --serve) under load on the loopback address, on the national list:
// clients on threads of their own, each with a keep-alive connection of its own, send a fixed list of
// queries and time every answer. Every answer must be the one harvik-query --format json gives for
// the same query, byte for byte; anything else (no answer, another status, another body) is an error.
// The service's memory (VmRSS of its process) is read before and after the measured run, once a
// first run of the same queries has built what the searches build on first use.
//
//   BM_ServiceMixed/Clients:8  10,000 queries, every 4th town in turn: its full code twice, its
//                              3-digit prefix, its prefecture, city and town in kanji
//   BM_ServiceCodes/Clients:N  10,000 full 7-digit codes from N clients
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "BenchTargets.h"
#include "Loader.h"
#include "NationalList.h"
#include "ServiceLoad.h"
#include "Watchdog.h"

namespace {

// The queries and the service on the national list, started once for all benchmarks.
struct TNationalService
{
    std::vector<TServiceQuery> Mixed, Codes;
    std::unique_ptr<TServiceUnderLoad> Service;
    std::string Problem;  // why the service cannot be measured; empty when it can

    TNationalService()
    {
        try {
            TPostalTables tables;
            LoadPostalFile(tables, {}, NationalListFolder());
            Mixed = ServiceQueries(tables, 10000, false);
            Codes = ServiceQueries(tables, 10000, true);
            std::vector<TServiceQuery> all = Mixed;
            all.insert(all.end(), Codes.begin(), Codes.end());
            Service = std::make_unique<TServiceUnderLoad>(HARVIK_QUERY, NationalListPath(), all);
        } catch (const std::exception& e) {
            Problem = e.what();
        }
    }
};

TNationalService& National()
{
    static TNationalService national;
    return national;
}

void Report(benchmark::State& state, const TLoadRun& load, std::size_t queries)
{
    std::vector<double> all;
    for (const std::vector<double>& micros : load.Micros) all.insert(all.end(), micros.begin(), micros.end());
    state.SetIterationTime(load.Seconds);
    state.counters["QueriesPerSec"] = static_cast<double>(queries) / load.Seconds;
    state.counters["P50us"] = Percentile(all, 0.50);
    state.counters["P99us"] = Percentile(all, 0.99);
    state.counters["CodeP50us"] = Percentile(load.Micros[qkCode], 0.50);
    state.counters["CodeP99us"] = Percentile(load.Micros[qkCode], 0.99);
    if (!load.Micros[qkPrefix].empty()) state.counters["PrefixP99us"] = Percentile(load.Micros[qkPrefix], 0.99);
    if (!load.Micros[qkAddress].empty()) state.counters["AddressP99us"] = Percentile(load.Micros[qkAddress], 0.99);
    state.counters["Errors"] = static_cast<double>(load.Errors);
    if (load.Errors > 0)
        state.SkipWithError((std::to_string(load.Errors) + " errors, the first: " + load.FirstError).c_str());
}

void BM_ServiceMixed(benchmark::State& state)
{
    const TWatchdog watchdog("the mixed load on the service", std::chrono::seconds(600));
    TNationalService& national = National();
    if (!national.Problem.empty()) {
        state.SkipWithError(national.Problem.c_str());
        return;
    }
    const int clients = static_cast<int>(state.range(0));
    // A first pass of the same queries builds the searches' indexes and lets every answering thread
    // meet the largest answers: memory that the measured pass adds is memory the traffic keeps taking.
    RunLoad(*national.Service, national.Mixed, clients);
    for (auto _ : state) {
        const pid_t pid = national.Service->Pid();
        const double before = ProcessStatusMiB(pid, "VmRSS");
        const TLoadRun load = RunLoad(*national.Service, national.Mixed, clients);
        const double after = ProcessStatusMiB(pid, "VmRSS");
        state.counters["RssBeforeMiB"] = before;
        state.counters["RssAfterMiB"] = after;
        state.counters["RssGrowthMiB"] = after - before;
        state.counters["PeakMiB"] = ProcessStatusMiB(pid, "VmHWM");
        Report(state, load, national.Mixed.size());
    }
}

void BM_ServiceCodes(benchmark::State& state)
{
    const TWatchdog watchdog("the code queries to the service", std::chrono::seconds(300));
    TNationalService& national = National();
    if (!national.Problem.empty()) {
        state.SkipWithError(national.Problem.c_str());
        return;
    }
    const int clients = static_cast<int>(state.range(0));
    const std::vector<TServiceQuery> first(national.Codes.begin(), national.Codes.begin() + 1000);
    RunLoad(*national.Service, first, clients);
    for (auto _ : state) Report(state, RunLoad(*national.Service, national.Codes, clients), national.Codes.size());
}

} // namespace

BENCHMARK(BM_ServiceMixed)->ArgName("Clients")->Arg(8)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
// Three runs of the codes, their median taken: a 99th percentile on a shared machine moves with
// whatever else runs on it.
BENCHMARK(BM_ServiceCodes)->ArgName("Clients")->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(1)->Repetitions(3);

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv,
                         {CounterAtMost("BM_ServiceCodes/Clients:1", "P99us", 1000, "1 ms"),
                          CounterAtMost("BM_ServiceMixed", "Errors", 0, "no errors"),
                          CounterAtMost("BM_ServiceMixed", "RssGrowthMiB", 1.0, "1 MiB over 10,000 queries")});
}
