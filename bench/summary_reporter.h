// Console output as usual, plus the CPU time per iteration of each benchmark
// for a closing summary: the median when repetitions are run, otherwise the
// single run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace velmo::bench {

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal.
    SummaryReporter();

    void ReportRuns(const std::vector<Run>& runs) override;

    // Seconds per iteration, or a negative value when `name` did not run.
    double Seconds(const std::string& name) const;

private:
    std::map<std::string, double> seconds_;
    std::set<std::string> medians_;
};

}  // namespace velmo::bench
