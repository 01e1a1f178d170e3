// harvik-query --batch on the national list: the whole run of the program (start, load, answers),
// with its output read through a pipe and counted.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "Loader.h"
#include "NationalList.h"

namespace {

struct TBatch
{
    std::string Input;           // one query per line
    std::size_t Queries = 0;
    std::size_t ExpectedLines = 0;  // per query: the status, one line per town, the empty line
};

// Every town's code as typed with its hyphen ("123-4567"), or every distinct 3-digit prefix
// `rounds` times over, with the number of towns each one lists, counted on the loaded tables.
TBatch MakeBatch(std::size_t prefixLength, int rounds)
{
    TPostalTables tables;
    LoadPostalFile(tables, {}, NationalListFolder());
    std::map<std::string, std::size_t> towns;  // code prefix -> towns with it
    std::vector<std::string> order;
    for (int i = 0; i < decltype(tables.Towns)::Capacity && !tables.Towns[i].Code.empty(); ++i) {
        const std::string key(tables.Towns[i].Code.substr(0, prefixLength));
        if (towns[key]++ == 0 || prefixLength == 7) order.push_back(key);
    }
    TBatch batch;
    for (int round = 0; round < rounds; ++round) {
        for (const std::string& key : order) {
            batch.Input += key.size() == 7 ? key.substr(0, 3) + "-" + key.substr(3) : key;
            batch.Input += '\n';
            batch.ExpectedLines += towns[key] + 2;
            ++batch.Queries;
        }
    }
    return batch;
}

struct TOutputCount
{
    std::size_t Lines = 0, EmptyLines = 0;
};

// Runs harvik-query --batch with `inputFile` as stdin and counts the lines it writes.
TOutputCount RunBatch(const std::string& inputFile, const std::string& dataFile)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inputFile.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    std::string program = HARVIK_QUERY, batch = "--batch", data = "--data";
    std::string dataPath = dataFile;
    char* argv[] = {program.data(), batch.data(), data.data(), dataPath.data(), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);

    TOutputCount count;
    std::vector<char> block(1 << 16);
    char last = '\n';
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], block.data(), block.size());
        if (n <= 0) break;
        for (const char* p = block.data(); p != block.data() + n; ++p) {
            if (*p != '\n') { last = *p; continue; }
            ++count.Lines;
            if (last == '\n') ++count.EmptyLines;
            last = '\n';
        }
    }
    ::close(pipeFds[0]);
    int status = 0;
    if (spawned != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    return count;
}

void BatchBench(benchmark::State& state, std::size_t prefixLength, int rounds)
{
    const TBatch batch = MakeBatch(prefixLength, rounds);
    const std::string inputFile = (std::filesystem::temp_directory_path() / "harvik-batch-queries.txt").string();
    std::ofstream(inputFile, std::ios::binary) << batch.Input;
    TOutputCount count;
    for (auto _ : state) count = RunBatch(inputFile, NationalListPath());
    std::filesystem::remove(inputFile);
    if (count.Lines != batch.ExpectedLines || count.EmptyLines != batch.Queries)
        state.SkipWithError(("expected " + std::to_string(batch.ExpectedLines) + " lines and " + std::to_string(batch.Queries) +
                             " answers, got " + std::to_string(count.Lines) + " and " + std::to_string(count.EmptyLines))
                                .c_str());
    state.counters["queries"] = static_cast<double>(batch.Queries);
    state.counters["lines"] = static_cast<double>(count.Lines);
    state.counters["queries_per_s"] =
        benchmark::Counter(static_cast<double>(batch.Queries), benchmark::Counter::kIsIterationInvariantRate);
}

// The floor: start and load with no query, to set the answers' own time apart.
void BM_BatchNoQuery(benchmark::State& state) { BatchBench(state, 7, 0); }
// 124,825 queries of about one line each.
void BM_BatchEveryFullCode(benchmark::State& state) { BatchBench(state, 7, 1); }
// 948 prefixes 20 times over: about 19,000 queries and 2.5 million result lines.
void BM_BatchEveryThreeDigitPrefix(benchmark::State& state) { BatchBench(state, 3, 20); }

}  // namespace

BENCHMARK(BM_BatchNoQuery)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BatchEveryFullCode)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BatchEveryThreeDigitPrefix)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
