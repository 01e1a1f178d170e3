// Resident memory with the national list loaded, after 1,000 and after 10,000 searches of every kind:
// what the process holds (VmRSS) and its peak (VmHWM), from /proc/self/status. The searches build
// their indexes on first use and keep nothing between queries, so once those are built the memory
// must stay flat: the label names that target.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <vector>

#include "Loader.h"
#include "NationalList.h"
#include "PostalSearch.h"
#include "SearchCommand.h"

namespace {

// A field of /proc/self/status ("VmRSS", "VmHWM") in MiB.
double StatusMiB(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(field + ":")) return std::stod(line.substr(field.size() + 1)) / 1024.0;
    return -1;
}

// 10,000 queries from the loaded towns, every 12th town in turn: its full code, the code with its
// hyphen, a code prefix, its prefecture and city with the start of its name, and a piece of its
// city and town names.
std::vector<std::string> Queries(const TPostalTables& tables)
{
    std::vector<std::string> queries;
    for (int k = 0; queries.size() < 10000; k = (k + 12) % 124825) {
        const TPostNo town = tables.Towns[k];
        const Tshi city = tables.Cities[town.City];
        const std::string code(town.Code);
        switch (queries.size() % 5) {
        case 0: queries.push_back(code); break;
        case 1: queries.push_back(code.substr(0, 3) + "-" + code.substr(3)); break;
        case 2: queries.push_back(code.substr(0, 2 + k % 5)); break;
        case 3: queries.push_back(std::string(tables.Prefs[city.Pref].Name) + std::string(city.Name) +
                                  std::string(town.Name.substr(0, 2))); break;
        default: queries.push_back((std::string(city.Name) + std::string(town.Name)).substr(k % 4 * 2, 6)); break;
        }
    }
    return queries;
}

void BM_MemoryAfterLoadAnd10000Searches(benchmark::State& state)
{
    state.SetLabel("target: no growth beyond 1 MiB from the 1,000th search to the 10,000th");
    for (auto _ : state) {
        TPostalTables tables;
        LoadPostalFile(tables, {}, NationalListFolder());
        const TPostalSearch search(tables);
        const std::vector<std::string> queries = Queries(tables);
        const double loaded = StatusMiB("VmRSS");
        double warm = 0;
        std::size_t lines = 0, unanswered = 0;
        for (std::size_t i = 0; i < queries.size(); ++i) {
            // The searches build their indexes on first use: by the 1,000th query every kind has run.
            if (i == 1000) warm = StatusMiB("VmRSS");
            const std::size_t listed = RunSearchCommand(search, queries[i]).Result.Lines.size();
            lines += listed;
            unanswered += listed == 0 && i % 5 < 3 ? 1 : 0;
        }
        const double searched = StatusMiB("VmRSS");
        state.counters["LoadedMiB"] = loaded;
        state.counters["After1000MiB"] = warm;
        state.counters["After10000MiB"] = searched;
        state.counters["PeakMiB"] = StatusMiB("VmHWM");
        state.counters["Lines"] = static_cast<double>(lines);
        // Each code query comes from a town of the list, so it lists at least that town.
        if (unanswered > 0) state.SkipWithError((std::to_string(unanswered) + " code queries listed nothing").c_str());
        else if (searched - warm > 1.0) state.SkipWithError("memory grew by more than 1 MiB over 9,000 searches");
    }
}

}  // namespace

BENCHMARK(BM_MemoryAfterLoadAnd10000Searches)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
