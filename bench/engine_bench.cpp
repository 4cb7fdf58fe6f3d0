// The engine's own cost per chip location: a read of every area of a PIC16F877 through the
// link into a port that costs nothing, so that only the engine and the link are measured. The
// link's share per location (a data-in and a bare command) is taken off by the target check.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "device/DeviceDef.h"
#include "image/MemoryImage.h"
#include "image/Prompts.h"
#include "link/Link.h"
#include "link/NullPort.h"
#include "link/VirtualClock.h"
#include "ops/Engine.h"
#include "ops/OperationHost.h"

namespace {

using namespace tavrix;
using bench::AllAreasHost;
using bench::SilentPrompts;

void BM_EngineReadNullPort8192(benchmark::State& state) {
  DeviceContext devices;
  DeviceDef& d = devices.CurrentDevice;
  d.Name = QStringLiteral("PIC16F877");
  d.ProgMem = 8192;
  d.EEProm = 256;
  d.ProgBits = 14;
  d.ConfigStart = 0x2000;
  d.EEPromStart = 0x2100;
  d.Programming = QStringLiteral("Flash");
  NullPort port;
  VirtualClock clock;
  Link link(port, clock, [&] { return d.ProgBits; });
  MemoryImage image(d);
  SilentPrompts prompts;
  AllAreasHost host;
  for (auto _ : state) {
    Engine engine(devices, image, link, prompts, host);
    benchmark::DoNotOptimize(engine.RunOperation(OpRead));
  }
  // Program words, ID locations, the configuration word and the EEPROM bytes.
  state.counters["locations"] = double(d.ProgMem + 4 + 1 + d.EEProm);
}
BENCHMARK(BM_EngineReadNullPort8192)->Unit(benchmark::kMillisecond);

}  // namespace
