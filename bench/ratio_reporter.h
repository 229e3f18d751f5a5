// A console reporter that keeps each benchmark's real time per repetition (in the benchmark's
// unit), so that a benchmark program can print figures and ratios against baselines measured
// in the same run, as ranges over the repetitions.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"

namespace vodex::bench {

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && r.iterations > 0 && !r.error_occurred) {
                times_[r.benchmark_name()].push_back(r.GetAdjustedRealTime());
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // The times of `name`, one per repetition; empty when it did not run.
    const std::vector<double>& Times(const std::string& name) const {
        static const std::vector<double> kNone;
        auto it = times_.find(name);
        return it == times_.end() ? kNone : it->second;
    }
    // The mean time of `name`, 0 when it did not run.
    double Time(const std::string& name) const {
        const auto& t = Times(name);
        double sum = 0;
        for (double v : t)
            sum += v;
        return t.empty() ? 0.0 : sum / static_cast<double>(t.size());
    }

  private:
    std::map<std::string, std::vector<double>> times_;
};

// The lowest and highest of some figures.
inline Range RangeOf(const std::vector<double>& v) {
    Range r;
    for (double x : v)
        r.Add(x);
    return r;
}

// The ratios a[i] / b[i] of repetitions made in the same order.
inline std::vector<double> Ratios(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> r;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        r.push_back(b[i] > 0 ? a[i] / b[i] : 0.0);
    return r;
}

}  // namespace vodex::bench
