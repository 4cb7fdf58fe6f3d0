// CPU cost of the link per command into a board that costs nothing. The busy waits are part of
// every command; BM_SettleDelay and BM_ReadWait measure them alone, so the link's own share is
//   bare     = SendCommandBare    - SettleDelay
//   data out = SendCommandDataOut - 2 x SettleDelay
//   data in  = SendCommandDataIn  - 2 x SettleDelay - ReadWait
#include <benchmark/benchmark.h>

#include "link/Link.h"
#include "link/NullPort.h"
#include "link/VirtualClock.h"

namespace {

using namespace tavrix;

struct NullLink {
  NullPort port;
  VirtualClock clock;
  Link link{port, clock, [] { return 14; }};
};

void BM_SendCommandBare(benchmark::State& state) {
  NullLink rig;
  for (auto _ : state) benchmark::DoNotOptimize(rig.link.SendCommand(CmdIncAddress, 0));
}
BENCHMARK(BM_SendCommandBare);

void BM_SendCommandDataOut(benchmark::State& state) {
  NullLink rig;
  std::uint32_t word = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rig.link.SendCommand(CmdLoadProgData, word));
    word = (word + 0x1235) & 0x3FFF;
  }
}
BENCHMARK(BM_SendCommandDataOut);

void BM_SendCommandDataIn(benchmark::State& state) {
  NullLink rig;
  for (auto _ : state) benchmark::DoNotOptimize(rig.link.SendCommand(CmdReadProgData, 0));
}
BENCHMARK(BM_SendCommandDataIn);

void BM_SettleDelay(benchmark::State& state) {
  for (auto _ : state) SettleDelay();
}
BENCHMARK(BM_SettleDelay);

void BM_ReadWait(benchmark::State& state) {
  for (auto _ : state) ReadWait();
}
BENCHMARK(BM_ReadWait);

}  // namespace
