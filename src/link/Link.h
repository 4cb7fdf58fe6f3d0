#pragma once

#include <cstdint>
#include <functional>

#include "link/Clock.h"
#include "link/Port.h"

namespace tavrix {

// ICSP command codes. Codes below 64 are six-bit chip commands; 64 and up are power patterns.
enum : int {
  CmdLoadConfig = 0,
  CmdEraseSetup1 = 1,
  CmdLoadProgData = 2,
  CmdLoadEEData = 3,
  CmdReadProgData = 4,
  CmdReadEEData = 5,
  CmdIncAddress = 6,
  CmdEraseSetup2 = 7,
  CmdBeginProg = 8,
  CmdBulkEraseProg = 9,
  CmdEndProg = 14,
  CmdResetPulse = 64,
  CmdProgModeOn = 65,
  CmdProgModeOff = 66,
};

// base^exponent by repeated multiplication; 1 for an exponent of 0 or less.
std::int32_t IntPower(std::int32_t base, std::int32_t exponent);

// The programmer link: turns ICSP commands into the bytes of the board's data lines and reads
// the chip's answers from status bit 0x40. The word width N is asked afresh on every command.
class Link {
 public:
  Link(Port& port, Clock& clock, std::function<int()> wordWidth);

  // Sends one command; returns 0, the word read, -1 (unlisted code below 64) or -2 (nothing sent).
  std::int32_t SendCommand(int code, std::uint32_t data);
  void SleepMs(int ms);
  // 0: write the value's low byte; 2: read the status byte; anything else: nothing. While a stop
  // signal has released the board (StopSignals), only the idle byte is written.
  int PortOp(int operation, int value);

  // Writes the port refused since the link was made. The lines keep their old value after such
  // a write, so callers compare the count before and after a run to know the chip was not reached.
  std::uint64_t failedWrites() const { return failedWrites_; }

  Port& port() { return *port_; }
  Clock& clock() { return *clock_; }
  void setPort(Port& port) { port_ = &port; }
  void setClock(Clock& clock) { clock_ = &clock; }

 private:
  Port* port_;
  Clock* clock_;
  std::function<int()> wordWidth_;
  std::uint64_t failedWrites_ = 0;
};

// Counted busy loops that the optimiser cannot remove: 301 iterations after every command and
// data frame, 201 before a read frame. Each lasts at least 1 µs by the monotonic clock however
// fast the processor, as the chip needs; neither sleeps.
void SettleDelay();
void ReadWait();

}  // namespace tavrix
