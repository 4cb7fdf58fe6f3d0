#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace tavrix::bench {

// The display reporter of the command line (console, JSON or CSV as asked), which also keeps
// every run's figures so that they can be checked against their targets afterwards.
class TargetReporter : public benchmark::BenchmarkReporter {
 public:
  TargetReporter();
  bool ReportContext(const Context& context) override;
  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

  // A figure of a run in nanoseconds ("real", "cpu") or a counter's value; negative when the
  // run did not take place.
  double value(const std::string& run, const std::string& measure) const;

 private:
  std::unique_ptr<benchmark::BenchmarkReporter> display_;
  std::map<std::string, std::map<std::string, double>> figures_;
};

// Prints every figure that has a target, measured against it, with a REGRESSION line for each
// one over its target. Returns how many are over.
int reportTargets(const TargetReporter& runs, std::ostream& out);

}  // namespace tavrix::bench
