// The one entry point of tavrix-bench; the other files of this folder hold benchmarks only.
// A QApplication (offscreen under the `bench` target) lets benchmarks of models and widgets run.
#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
  // No display is needed: widgets are measured offscreen unless told otherwise.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
