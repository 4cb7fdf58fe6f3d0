// Whole chip operations on the virtual board.
//   BM_ReadChip8192, BM_WriteChip8192: CPU time of a read and of a write of every area of a
//   PIC16F877 (8192 program words, 256 EEPROM bytes) on virtual time.
//   BM_WriteFlash1024_RealClock: wall time of a write of a PIC16F84A (1024 words) against the
//   sum of the waits the engine and the link asked for (over_pct), and against the same sleeps
//   done alone (program_pct: the program's own share, without the system's oversleeping). Takes
//   over 20 s, so the smoke run skips it; run it with --benchmark_filter=RealClock.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "BenchSupport.h"
#include "device/DeviceDef.h"
#include "image/MemoryImage.h"
#include "image/Prompts.h"
#include "link/Link.h"
#include "link/RealClock.h"
#include "link/VirtualClock.h"
#include "ops/Commands.h"
#include "ops/Engine.h"
#include "ops/OperationHost.h"
#include "sim/VirtualBoard.h"
#include "sim/VirtualChip.h"

namespace {

using namespace tavrix;
using bench::AllAreasHost;
using bench::SilentPrompts;

// Counts the waits asked of the clock it passes them to.
class CountingClock : public Clock {
 public:
  explicit CountingClock(Clock& inner) : inner_(inner) {}
  void sleepMs(int ms) override {
    askedMs += ms;
    asked.push_back(ms);
    inner_.sleepMs(ms);
  }
  std::int64_t nowUs() const override { return inner_.nowUs(); }
  std::int64_t askedMs = 0;
  std::vector<int> asked;

 private:
  Clock& inner_;
};

// The two devices as the shipped device file defines them.
DeviceDef device(const char* name) {
  DeviceDef d;
  d.Name = QString::fromLatin1(name);
  d.ProgBits = 14;
  d.ConfigStart = 0x2000;
  d.EEPromStart = 0x2100;
  d.Programming = QStringLiteral("Flash");
  if (d.Name == QLatin1String("PIC16F877")) {
    d.ProgMem = 8192;
    d.EEProm = 256;
    d.RAM = 368;
    d.PalConfDef = 0x3F71;
    d.PalConf =
        QStringLiteral("CP1 CP0 DEBUG - WRT CPD LVP _BODEN CP1 CP0 _PWRTE WDTE FOSC1 FOSC0");
  } else {
    d.ProgMem = 1024;
    d.EEProm = 64;
    d.RAM = 68;
    d.PalConfDef = 0x3FF1;
    d.PalConf = QStringLiteral("CP CP CP CP CP CP CP CP CP CP _PWRTE WDTE FOSC1 FOSC0");
  }
  return d;
}

void fillImage(MemoryImage& image, const DeviceDef& d) {
  image.ResetProgramGrid();
  image.ResetEEPromGrid();
  for (int a = 0; a < d.ProgMem; ++a) image.storeProgValue(a, (a * 0x1235 + 7) & 0x3FFF);
  for (int a = 0; a < d.EEProm; ++a) image.storeEeValue(a, (a * 37) & 0xFF);
  image.setProgEnd(d.ProgMem);
  image.setEEPromEnd(d.EEProm);
  image.setIdentText(QStringLiteral("1234"));
  image.SetPalConf(d.PalConfDef);
}

struct VirtualRig {
  explicit VirtualRig(const char* name)
      : devices{QString(), device(name)},
        chip(devices.CurrentDevice, clock),
        board(&chip),
        link(board, clock, [this] { return devices.CurrentDevice.ProgBits; }),
        image(devices.CurrentDevice) {
    fillImage(image, devices.CurrentDevice);
  }
  DeviceContext devices;
  VirtualClock clock;
  VirtualChip chip;
  VirtualBoard board;
  Link link;
  MemoryImage image;
  SilentPrompts prompts;
  AllAreasHost host;
};

void BM_ReadChip8192(benchmark::State& state) {
  VirtualRig rig("PIC16F877");
  for (auto _ : state) {
    Engine engine(rig.devices, rig.image, rig.link, rig.prompts, rig.host);
    benchmark::DoNotOptimize(readChip(engine));
  }
  state.counters["words"] = rig.image.ProgEnd();
}
BENCHMARK(BM_ReadChip8192)->Unit(benchmark::kMillisecond);

void BM_WriteChip8192(benchmark::State& state) {
  VirtualRig rig("PIC16F877");
  for (auto _ : state) {
    Engine engine(rig.devices, rig.image, rig.link, rig.prompts, rig.host);
    benchmark::DoNotOptimize(writeChip(engine));
  }
  state.counters["errors"] = rig.prompts.errors;
  state.counters["violations"] = double(rig.chip.timingViolations());
}
BENCHMARK(BM_WriteChip8192)->Unit(benchmark::kMillisecond);

void BM_WriteFlash1024_RealClock(benchmark::State& state) {
  const DeviceDef d = device("PIC16F84A");
  DeviceContext devices{QString(), d};
  RealClock real;
  CountingClock clock(real);
  VirtualChip chip(devices.CurrentDevice, real);
  VirtualBoard board(&chip);
  Link link(board, clock, [&] { return devices.CurrentDevice.ProgBits; });
  MemoryImage image(devices.CurrentDevice);
  fillImage(image, d);
  image.ResetEEPromGrid();  // program memory, IDs and configuration word only
  SilentPrompts prompts;
  AllAreasHost host;
  double wallMs = 0;
  for (auto _ : state) {
    clock.askedMs = 0;
    clock.asked.clear();
    const auto start = std::chrono::steady_clock::now();
    Engine engine(devices, image, link, prompts, host);
    writeChip(engine);
    wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(wallMs / 1000);
  }
  // The same sleeps alone: what the system's sleeps overshoot whatever the program does.
  const auto start = std::chrono::steady_clock::now();
  for (int ms : clock.asked) real.sleepMs(ms);
  const double sleepsMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  state.counters["wall_ms"] = wallMs;
  state.counters["sleeps_alone_ms"] = sleepsMs;
  state.counters["program_pct"] = 100.0 * (wallMs - sleepsMs) / double(clock.askedMs);
  state.counters["waits_ms"] = double(clock.askedMs);
  state.counters["over_pct"] = 100.0 * (wallMs - double(clock.askedMs)) / double(clock.askedMs);
  state.counters["errors"] = prompts.errors;
  state.counters["violations"] = double(chip.timingViolations());
}
BENCHMARK(BM_WriteFlash1024_RealClock)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
