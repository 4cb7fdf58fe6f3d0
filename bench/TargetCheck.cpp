// The figures the program is held to, computed from one run of the benchmarks. Each target is
// the budget a user would notice, or one derived from it where noted.
#include "TargetCheck.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <optional>

namespace tavrix::bench {

namespace {

double nanoseconds(benchmark::TimeUnit unit) {
  switch (unit) {
    case benchmark::kNanosecond:
      return 1;
    case benchmark::kMicrosecond:
      return 1e3;
    case benchmark::kMillisecond:
      return 1e6;
    case benchmark::kSecond:
      return 1e9;
  }
  return 1;
}

struct Target {
  const char* label;
  double limit;      // in the figure's own unit
  const char* unit;  // "ns", "ms" or "%"
  // The figure from the runs, in `unit`; nullopt when a run it needs did not take place.
  std::function<std::optional<double>(const TargetReporter&)> figure;
  const char* howToRun;  // for figures left out of the smoke run
  // A figure that must also reach a value (a delay that must be spent) gives it here.
  double floor = -std::numeric_limits<double>::infinity();
};

std::optional<double> nsOf(const TargetReporter& r, const char* run, const char* measure) {
  const double v = r.value(run, measure);
  return v < 0 ? std::nullopt : std::optional<double>(v);
}

// The link's own CPU per command: the command's cost minus the mandated busy waits in it.
std::optional<double> linkOwn(const TargetReporter& r, const char* run, int settles, int reads) {
  const auto total = nsOf(r, run, "cpu");
  const auto settle = nsOf(r, "BM_SettleDelay", "cpu");
  const auto read = nsOf(r, "BM_ReadWait", "cpu");
  if (!total || !settle || !read) return std::nullopt;
  return *total - settles * *settle - reads * *read;
}

std::optional<double> usOf(const TargetReporter& r, const char* run) {
  const auto ns = nsOf(r, run, "real");
  return ns ? std::optional<double>(*ns / 1e3) : std::nullopt;
}

// The largest of a counter over the device-file runs; nullopt unless all of them ran.
std::optional<double> worstDeviceFile(const TargetReporter& r, const char* counter) {
  double worst = 0;
  for (const char* run : {"BM_DeviceFileOneSectionManyKeys", "BM_DeviceFileManySectionsOneName",
                          "BM_DeviceFileManyNames", "BM_DeviceFileManyBareNames"}) {
    const auto v = nsOf(r, run, counter);
    if (!v) return std::nullopt;
    worst = std::max(worst, *v);
  }
  return worst;
}

std::optional<double> msOf(const TargetReporter& r, const char* run) {
  const auto ns = nsOf(r, run, "real");
  return ns ? std::optional<double>(*ns / 1e6) : std::nullopt;
}

const std::vector<Target>& targets() {
  // The link's own share of a command stays under 1 us, less than the one system call per
  // line change that a real port costs. The engine's own work per location stays under 2 us,
  // a few percent of the 59 port writes a location costs on a real port.
  static const std::vector<Target> list = {
      {"Link CPU, bare command (own share)", 1000, "ns",
       [](const TargetReporter& r) { return linkOwn(r, "BM_SendCommandBare", 1, 0); }, nullptr},
      {"Link CPU, data-out command (own share)", 1000, "ns",
       [](const TargetReporter& r) { return linkOwn(r, "BM_SendCommandDataOut", 2, 0); }, nullptr},
      {"Link CPU, data-in command (own share)", 1000, "ns",
       [](const TargetReporter& r) { return linkOwn(r, "BM_SendCommandDataIn", 2, 1); }, nullptr},
      {"Engine CPU per location (own share)", 2000, "ns",
       [](const TargetReporter& r) -> std::optional<double> {
         const auto run = nsOf(r, "BM_EngineReadNullPort8192", "cpu");
         const auto locations = nsOf(r, "BM_EngineReadNullPort8192", "locations");
         const auto in = nsOf(r, "BM_SendCommandDataIn", "cpu");
         const auto bare = nsOf(r, "BM_SendCommandBare", "cpu");
         if (!run || !locations || !in || !bare || *locations <= 0) return std::nullopt;
         return *run / *locations - *in - *bare;  // a read and an increment per location
       },
       nullptr},
      {"Grid reset, 8192 words", 10, "ms",
       [](const TargetReporter& r) { return msOf(r, "BM_ResetProgramGridWithView/8192"); },
       nullptr},
      {"Grid reset, 32768 words", 40, "ms",
       [](const TargetReporter& r) { return msOf(r, "BM_ResetProgramGridWithView/32768"); },
       nullptr},
      {"HEX load, 8192 words + 256 bytes", 10, "ms",
       [](const TargetReporter& r) { return msOf(r, "BM_HexLoad"); }, nullptr},
      {"HEX save, 8192 words + 256 bytes", 10, "ms",
       [](const TargetReporter& r) { return msOf(r, "BM_HexSave"); }, nullptr},
      {"Read of an 8192-word chip, virtual board", 100, "ms",
       [](const TargetReporter& r) { return msOf(r, "BM_ReadChip8192"); }, nullptr},
      // Any device file up to the reader's 64 MB limit is listed and a device selected within
      // what a user waits for a program to start, in memory a small multiple of the file.
      {"Device file 63 MB, list + select (worst)", 5000, "ms",
       [](const TargetReporter& r) { return worstDeviceFile(r, "list_select_ms"); }, nullptr},
      {"Device file 63 MB, peak memory / size (worst)", 4, "x",
       [](const TargetReporter& r) { return worstDeviceFile(r, "memory_x"); }, nullptr},
      {"tavrix-cli devices, 63 MB of names: peak / size", 4, "x",
       [](const TargetReporter& r) {
         return nsOf(r, "BM_DeviceFileCliDevicesWholeProcess", "memory_x");
       },
       nullptr},
      {"Real-clock write, time over its waits", 2, "%",
       [](const TargetReporter& r) { return nsOf(r, "BM_WriteFlash1024_RealClock", "over_pct"); },
       "--benchmark_filter=RealClock"},
      // The same write from the main window's "Escribir" to its completion box, as tavrix-sim
      // runs it: everything the program does besides the chip's waits stays within 1 %.
      {"Window's write, click to box, over its waits", 1, "%",
       [](const TargetReporter& r) {
         return nsOf(r, "BM_GuiWriteFlash1024_RealClock", "over_pct");
       },
       "--benchmark_filter=RealClock"},
      // `tavrix-cli hex` on a full image, whole process with its safe save, against srec_cat
      // doing the same parse and rewrite and an fsync of its output: a user running both from a
      // script waits at most half as long again. Not run without srecord.
      {"tavrix-cli hex / srec_cat + fsync, whole process", 1.5, "x",
       [](const TargetReporter& r) -> std::optional<double> {
         const auto ours = nsOf(r, "BM_CliHexWholeProcess", "real");
         const auto theirs = nsOf(r, "BM_SrecCatWholeProcess", "real");
         if (!ours || !theirs || *theirs <= 0) return std::nullopt;
         return *ours / *theirs;
       },
       "apt-get install srecord"},
      // A development loop waiting for its file sleeps: a tenth of a percent is a look a second.
      {"write --watch waiting: processor time", 1, "%",
       [](const TargetReporter& r) {
         return nsOf(r, "BM_WatchLoopIdleCpu_RealClock", "idle_cpu_pct");
       },
       "--benchmark_filter=RealClock"},
      // The slow fault must be seen by a board test (over 100 µs a byte) and stay near what it
      // claims.
      {"Virtual board, slow fault: real time a byte", 260, "us",
       [](const TargetReporter& r) { return usOf(r, "BM_VirtualBoardSlowByte"); }, nullptr, 200},
  };
  return list;
}

std::string formatted(double v, const char* unit) {
  char text[64];
  std::snprintf(text, sizeof text, v < 10 ? "%.2f %s" : v < 100 ? "%.1f %s" : "%.0f %s", v, unit);
  return text;
}

}  // namespace

TargetReporter::TargetReporter() : display_(benchmark::CreateDefaultDisplayReporter()) {}

bool TargetReporter::ReportContext(const Context& context) {
  return display_->ReportContext(context);
}

void TargetReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
    // Named by function and arguments only ("BM_ResetProgramGridWithView/8192"), whatever
    // iteration count or time type the run adds to its full name.
    const auto& n = run.run_name;
    auto& f = figures_[n.function_name + (n.args.empty() ? "" : "/" + n.args)];
    const double unit = nanoseconds(run.time_unit);
    f["real"] = run.GetAdjustedRealTime() * unit;
    f["cpu"] = run.GetAdjustedCPUTime() * unit;
    for (const auto& [name, counter] : run.counters) f[name] = counter.value;
  }
  display_->ReportRuns(runs);
}

void TargetReporter::Finalize() {
  display_->Finalize();
}

double TargetReporter::value(const std::string& run, const std::string& measure) const {
  const auto r = figures_.find(run);
  if (r == figures_.end()) return -1;
  const auto m = r->second.find(measure);
  return m == r->second.end() ? -1 : m->second;
}

int reportTargets(const TargetReporter& runs, std::ostream& out) {
  int over = 0;
  std::vector<std::string> regressions;
  char line[160];
  out << '\n';
  std::snprintf(line, sizeof line, "%-44s %12s %12s  %s\n", "Figure", "Measured", "Target", "");
  out << line;
  for (const Target& t : targets()) {
    const auto v = t.figure(runs);
    const bool hasFloor = t.floor > -std::numeric_limits<double>::infinity();
    const std::string limit = hasFloor ? formatted(t.floor, "") + "- " + formatted(t.limit, t.unit)
                                       : "<= " + formatted(t.limit, t.unit);
    if (!v) {
      std::snprintf(line, sizeof line, "%-44s %12s %12s  not run%s%s\n", t.label, "-",
                    limit.c_str(), t.howToRun ? ": " : "", t.howToRun ? t.howToRun : "");
      out << line;
      continue;
    }
    const bool ok = *v <= t.limit && *v >= t.floor;
    std::snprintf(line, sizeof line, "%-44s %12s %12s  %s\n", t.label,
                  formatted(*v, t.unit).c_str(), limit.c_str(), ok ? "ok" : "OVER");
    out << line;
    if (!ok) {
      ++over;
      regressions.push_back("REGRESSION: " + std::string(t.label) + ": " + formatted(*v, t.unit) +
                            ", target " + limit + "\n");
    }
  }
  for (const std::string& r : regressions) out << r;
  if (regressions.empty()) out << "Every figure that ran is within its target.\n";
  return over;
}

}  // namespace tavrix::bench
