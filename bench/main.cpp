// The one entry point of tavrix-bench; the other files of this folder hold benchmarks only.
// A QApplication (offscreen under the `bench` target) lets benchmarks of models and widgets run.
#include <QApplication>

#include <benchmark/benchmark.h>

#include <iostream>

#include "TargetCheck.h"

int main(int argc, char** argv) {
  // No display is needed: widgets are measured offscreen unless told otherwise.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // Every figure with a target is printed against it after the runs; one over its target gives
  // a REGRESSION line, and a failing exit status when TAVRIX_BENCH_STRICT is set.
  tavrix::bench::TargetReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const int over = tavrix::bench::reportTargets(reporter, std::cout);
  return over > 0 && !qEnvironmentVariableIsEmpty("TAVRIX_BENCH_STRICT") ? 1 : 0;
}
