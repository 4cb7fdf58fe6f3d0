// The virtual board and chip: what a simulated run costs, so tavrix-sim and tavrix-cli
// --virtual stay quick. Waits take no real time (virtual clock); only decoding is measured.
#include <benchmark/benchmark.h>

#include "link/Link.h"
#include "link/VirtualClock.h"
#include "sim/BoardFaults.h"
#include "sim/VirtualBoard.h"
#include "sim/VirtualChip.h"

namespace {

using namespace tavrix;

DeviceDef pic16F877() {
  DeviceDef d;
  d.Name = QStringLiteral("PIC16F877");
  d.ProgMem = 8192;
  d.EEProm = 256;
  d.ProgBits = 14;
  d.EEPromStart = 0x2100;
  d.PalConf = QStringLiteral("CP1 CP0 DEBUG - WRT CPD LVP _BODEN CP1 CP0 _PWRTE WDTE FOSC1 FOSC0");
  d.Programming = QStringLiteral("Flash");
  return d;
}

struct Bench {
  VirtualClock clock;
  VirtualChip chip{pic16F877(), clock};
  VirtualBoard board{&chip};
  Link link{board, clock, [] { return 14; }};
};

// One byte into the board, alternating the clock in programming mode.
void BM_VirtualBoardByte(benchmark::State& state) {
  Bench b;
  b.link.SendCommand(CmdProgModeOn, 0);
  std::uint8_t lines = 0x08;
  for (auto _ : state) {
    lines ^= 0x02;
    b.board.writeByte(lines);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VirtualBoardByte);

// A write run's program pass over a whole 16F877 (load, begin, wait, read back, increment).
void BM_VirtualFlashWritePass8K(benchmark::State& state) {
  Bench b;
  for (auto _ : state) {
    b.link.SendCommand(CmdProgModeOn, 0);
    for (int a = 0; a < 8192; ++a) {
      b.link.SendCommand(CmdLoadProgData, static_cast<std::uint32_t>(a));
      b.link.SendCommand(CmdBeginProg, 0);
      b.link.SleepMs(10);
      benchmark::DoNotOptimize(b.link.SendCommand(CmdReadProgData, 0));
      b.link.SendCommand(CmdIncAddress, 0);
    }
    b.link.SendCommand(CmdProgModeOff, 0);
  }
  state.SetItemsProcessed(state.iterations() * 8192);
}
BENCHMARK(BM_VirtualFlashWritePass8K)->Unit(benchmark::kMillisecond);

// A byte on a board with the slow fault, in real time: what a board test times when the port
// waits on handshake lines. Checked against its target below (at least 200 µs, not much more).
void BM_VirtualBoardSlowByte(benchmark::State& state) {
  Bench b;
  BoardFaults faults;
  faults.slow = true;
  b.board.setFaults(faults);
  std::uint8_t lines = 0x24;
  for (auto _ : state) {
    lines ^= 0x02;
    b.board.writeByte(lines);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VirtualBoardSlowByte)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The chip's contents file, written and read back.
void BM_VirtualChipHexRoundTrip8K(benchmark::State& state) {
  Bench b;
  for (int a = 0; a < 8192; ++a) b.chip.setProgramWord(a, static_cast<std::uint16_t>(a));
  for (auto _ : state) {
    const QByteArray text = b.chip.hexText();
    benchmark::DoNotOptimize(b.chip.loadHexText(text, nullptr));
  }
}
BENCHMARK(BM_VirtualChipHexRoundTrip8K)->Unit(benchmark::kMillisecond);

}  // namespace
