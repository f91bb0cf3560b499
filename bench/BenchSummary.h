#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

// A console reporter that also remembers the CPU time and the wall time per iteration of every run, by
// run name ("BM_EngineStep/100000"), so that main() can print its ratios after the table. Single-threaded
// comparisons use CPU time, because the machines these run on are often shared and wall time then
// measures the neighbours; what a second thread gains can only be seen in wall time. A run repeated
// keeps its fastest repetition: a neighbour only ever adds time.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const double scale = 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            keepFastest(nanoseconds_, run.benchmark_name(), run.GetAdjustedCPUTime() * scale);
            keepFastest(wallNanoseconds_, run.benchmark_name(), run.GetAdjustedRealTime() * scale);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // 0 when the run did not happen or failed.
    double nanoseconds(const std::string& name) const { return find(nanoseconds_, name); }
    double wallNanoseconds(const std::string& name) const { return find(wallNanoseconds_, name); }

private:
    static void keepFastest(std::map<std::string, double>& times, const std::string& name, double value)
    {
        auto [it, added] = times.emplace(name, value);
        if (!added && value < it->second)
            it->second = value;
    }
    static double find(const std::map<std::string, double>& times, const std::string& name)
    {
        auto it = times.find(name);
        return it == times.end() ? 0.0 : it->second;
    }

    std::map<std::string, double> nanoseconds_;
    std::map<std::string, double> wallNanoseconds_;
};

// scripts/bench runs some programs a second time beside a process that keeps the other core busy, and
// says so with MIRRIM_BENCH_LOADED=1: their targets are looser then.
inline bool LoadedRun()
{
    const char* value = std::getenv("MIRRIM_BENCH_LOADED");
    return value && value[0] == '1';
}

// One row of the table scripts/bench prints at the end: measure, target, figure and whether it is met.
inline void SummaryRow(const std::string& measure, const std::string& target, double figure, const char* unit, bool met)
{
    std::printf("SUMMARY|%s%s|%s|%.2f%s|%s\n", measure.c_str(), LoadedRun() ? " (other core busy)" : "", target.c_str(),
        figure, unit, met ? "yes" : "NO");
}

// The machine's load, to print beside every figure.
inline std::string LoadAverage()
{
    std::string text = "unknown";
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        char line[128] = {};
        if (std::fgets(line, sizeof line, f)) {
            text = line;
            text.erase(text.find_last_not_of("\n") + 1);
        }
        std::fclose(f);
    }
    return text;
}

// Runs the program's benchmarks (those its command line selects) through the reporter and returns the
// machine's load from before they ran. With repetitions above 1, and unless the command line says
// otherwise, every benchmark runs that many times, the repetitions of all of them shuffled together so
// that an engine and the baseline it is compared with meet the same neighbours.
inline std::string RunBenchmarks(int argc, char** argv, SummaryReporter& reporter, int repetitions = 1)
{
    std::vector<std::string> given(argv, argv + argc);
    const auto says = [&given](const std::string& flag) {
        for (const std::string& arg : given)
            if (arg.rfind(flag, 0) == 0)
                return true;
        return false;
    };
    std::vector<std::string> args = given;
    if (repetitions > 1 && !says("--benchmark_repetitions")) {
        args.push_back("--benchmark_repetitions=" + std::to_string(repetitions));
        if (!says("--benchmark_enable_random_interleaving"))
            args.push_back("--benchmark_enable_random_interleaving=true");
    }
    std::vector<char*> pointers;
    for (std::string& arg : args)
        pointers.push_back(arg.data());
    int count = static_cast<int>(pointers.size());
    benchmark::Initialize(&count, pointers.data());
    const std::string loadBefore = LoadAverage();
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return loadBefore;
}
