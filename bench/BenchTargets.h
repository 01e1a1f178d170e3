#pragma once
// Targets the benchmarks' medians must meet, printed after the results with a verdict:
//
//   target BM_CodeSearch/ThreeDigitPrefix: median real time at most 10 us (measured 6.3 us): met
//
// A target is on the median real time of a benchmark, or on one of its counters (a ratio measured
// in the same run, a size). A missed target is printed as such; it does not fail the run, since the
// machines the benchmarks run on are shared and noisy.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

struct TBenchTarget
{
    std::string Benchmark;  // the benchmark's name as printed (without repetitions or aggregate), or
                            // its beginning up to a "/": then every benchmark of that family
    std::string Counter;    // empty: the median real time, in seconds
    double Limit = 0;       // at most this
    std::string Text;       // what the limit means to a reader, e.g. "10 us" or "1.5x grep's time"
};

// The median real time of `benchmark` at most `seconds`; `text` names the limit.
inline TBenchTarget TimeAtMost(std::string benchmark, double seconds, std::string text)
{
    return {std::move(benchmark), "", seconds, std::move(text)};
}

// The counter `counter` of `benchmark` (its median over repetitions) at most `limit`.
inline TBenchTarget CounterAtMost(std::string benchmark, std::string counter, double limit, std::string text)
{
    return {std::move(benchmark), std::move(counter), limit, std::move(text)};
}

class TTargetReporter : public benchmark::ConsoleReporter
{
public:
    explicit TTargetReporter(std::vector<TBenchTarget> targets) : FTargets(std::move(targets)) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // The median of repetitions, or the one run there is.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (!median && !single) continue;
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
            for (const TBenchTarget& target : FTargets)
                if (name == target.Benchmark || name.starts_with(target.Benchmark + "/")) Verdict(run, name, target);
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("targets: %d met, %d missed\n", FMet, FMissed);
    }

private:
    std::vector<TBenchTarget> FTargets;
    int FMet = 0, FMissed = 0;

    void Verdict(const Run& run, const std::string& name, const TBenchTarget& target)
    {
        const char* measure = target.Counter.empty() ? "median real time" : target.Counter.c_str();
        if (run.error_occurred) {
            ++FMissed;
            std::printf("target %s: %s at most %s: missed (%s)\n", name.c_str(), measure, target.Text.c_str(),
                        run.error_message.c_str());
            return;
        }
        double value = 0;
        std::string shown;
        if (target.Counter.empty()) {
            value = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            shown = Seconds(value);
        } else {
            const auto counter = run.counters.find(target.Counter);
            if (counter == run.counters.end()) {
                ++FMissed;
                std::printf("target %s: %s at most %s: missed (no such counter)\n", name.c_str(), measure,
                            target.Text.c_str());
                return;
            }
            value = counter->second.value;
            char text[32];
            std::snprintf(text, sizeof text, "%.3g", value);
            shown = text;
        }
        const bool met = value <= target.Limit;
        ++(met ? FMet : FMissed);
        std::printf("target %s: %s at most %s (measured %s): %s\n", name.c_str(), measure, target.Text.c_str(),
                    shown.c_str(), met ? "met" : "missed");
    }

    static std::string Seconds(double seconds)
    {
        char text[32];
        if (seconds < 1e-3)
            std::snprintf(text, sizeof text, "%.3g us", seconds * 1e6);
        else if (seconds < 1)
            std::snprintf(text, sizeof text, "%.3g ms", seconds * 1e3);
        else
            std::snprintf(text, sizeof text, "%.3g s", seconds);
        return text;
    }
};

// The benchmarks' main: runs what the command line selects, then prints each target's verdict.
inline int RunBenchmarks(int argc, char** argv, std::vector<TBenchTarget> targets)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TTargetReporter reporter(std::move(targets));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
