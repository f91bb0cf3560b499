#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// A console reporter that also remembers the CPU time per iteration of every run, by run name
// ("BM_EngineStep/100000"), so that main() can print its ratios after the table. CPU time, because the
// machines these run on are often shared and wall time then measures the neighbours.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            nanoseconds_[run.benchmark_name()]
                = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // 0 when the run did not happen or failed.
    double nanoseconds(const std::string& name) const
    {
        auto it = nanoseconds_.find(name);
        return it == nanoseconds_.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> nanoseconds_;
};
