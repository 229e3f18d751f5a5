// A console reporter that keeps each benchmark's mean real time (in the benchmark's unit), so
// that a benchmark program can print ratios against baselines measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace vodex::bench {

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && r.iterations > 0 && !r.error_occurred) {
                times_[r.benchmark_name()] = r.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // The mean time of `name`, 0 when it did not run.
    double Time(const std::string& name) const {
        auto it = times_.find(name);
        return it == times_.end() ? 0.0 : it->second;
    }

  private:
    std::map<std::string, double> times_;
};

}  // namespace vodex::bench
