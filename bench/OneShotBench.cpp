// One question asked of harvik-query on the national list, as a process of its own (start, load,
// answer, exit), beside `grep -c` of the same bytes in the same file: the two are started
// alternately in the same run, their output read through a pipe. Also the process's peak memory.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "BenchTargets.h"
#include "NationalList.h"
#include "SjisConvert.h"

namespace {

constexpr int Runs = 31;  // of each program, alternately

struct TProcessRun
{
    double Seconds = 0;       // wall time from the spawn to the end of the wait
    double CpuSeconds = 0;    // user and system
    double PeakMiB = 0;       // the largest resident set
    std::size_t Lines = 0;    // written to standard output
    bool Exited0 = false;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; }

// Runs `args` (the program found on PATH) with standard error discarded and counts the lines of its
// standard output.
TProcessRun Run(std::vector<std::string> args)
{
    using TClock = std::chrono::steady_clock;
    TProcessRun run;
    int out[2];
    if (::pipe(out) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const TClock::time_point start = TClock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    char block[1 << 16];
    for (;;) {
        const ssize_t n = ::read(out[0], block, sizeof block);
        if (n <= 0) break;
        run.Lines += static_cast<std::size_t>(std::count(block, block + n, '\n'));
    }
    ::close(out[0]);
    int status = 0;
    rusage usage{};
    if (spawned != 0 || ::wait4(pid, &status, 0, &usage) != pid) return run;
    run.Seconds = std::chrono::duration<double>(TClock::now() - start).count();
    run.CpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    run.PeakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // Linux reports KiB
    run.Exited0 = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_OneShot(benchmark::State& state, const char* query, std::size_t lines)
{
    const std::string data = NationalListPath();
    const std::vector<std::string> harvik = {HARVIK_QUERY, "--data", data, query};
    const std::vector<std::string> grep = {"grep", "-c", SjisFromUtf8(query), data};
    Run(harvik), Run(grep);  // the program files into the cache
    std::vector<double> own, grepped, cpu;
    double peak = 0;
    std::string error;
    for (auto _ : state) {
        for (int i = 0; i < Runs && error.empty(); ++i) {
            const TProcessRun a = Run(harvik);
            const TProcessRun b = Run(grep);
            if (!a.Exited0 || a.Lines != lines)
                error = "harvik-query should list " + std::to_string(lines) + " lines and exit with 0, listed " +
                        std::to_string(a.Lines);
            if (!b.Exited0) error = "grep -c did not run";
            own.push_back(a.Seconds);
            grepped.push_back(b.Seconds);
            cpu.push_back(a.CpuSeconds);
            peak = std::max(peak, a.PeakMiB);
        }
        state.SetIterationTime(Median(own));
    }
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    state.counters["GrepMs"] = Median(grepped) * 1e3;
    state.counters["Ratio"] = Median(own) / Median(grepped);
    state.counters["CpuMs"] = Median(cpu) * 1e3;
    state.counters["PeakMiB"] = peak;
}

}  // namespace

BENCHMARK_CAPTURE(BM_OneShot, Code, "1000005", 1)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK_CAPTURE(BM_OneShot, Address, "丸の内", 328)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv,
                         {CounterAtMost("BM_OneShot/Code", "Ratio", 1.5, "1.5x grep -c's wall time"),
                          CounterAtMost("BM_OneShot/Address", "Ratio", 2.0, "2x grep -c's wall time"),
                          CounterAtMost("BM_OneShot", "PeakMiB", 20, "20 MiB")});
}
