// A console reporter that also keeps every benchmark's counters, so that a
// benchmark program can print its ratios once all have run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, benchmark::UserCounters> counters;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs)
      if (!run.error_occurred) counters[run.run_name.function_name] = run.counters;
  }
};
