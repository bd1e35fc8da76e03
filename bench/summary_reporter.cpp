#include "summary_reporter.h"

#include <unistd.h>

#include <cstdio>

namespace velmo::bench {

SummaryReporter::SummaryReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.error_occurred) continue;
        const std::string name = run.run_name.str();
        const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        if (run.run_type == Run::RT_Aggregate) {
            if (run.aggregate_name != "median") continue;
            seconds_[name] = seconds;
            medians_.insert(name);
        } else if (!medians_.count(name)) {
            seconds_[name] = seconds;
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

double SummaryReporter::Seconds(const std::string& name) const {
    const auto found = seconds_.find(name);
    return found == seconds_.end() ? -1.0 : found->second;
}

}  // namespace velmo::bench
