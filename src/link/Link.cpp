#include "link/Link.h"

#include <time.h>

#include <algorithm>
#include <limits>

#include "link/StopSignals.h"

namespace tavrix {

namespace {

// Data-line patterns of the board.
constexpr int kIdle = 0x08;        // programming mode, clock and data low
constexpr int kClock = 0x02;       // clock high
constexpr int kReadIdle = 0x0C;    // data driver released: the chip drives PGD
constexpr int kPowerOff = 0x24;    // supply cut
constexpr int kResetLow = 0x34;    // supply cut, MCLR grounded
constexpr int kStatusData = 0x40;  // PGD as seen on the acknowledge input

constexpr int kCommandBits = 6;
// Widths a mid-range chip can use; anything outside is clamped so no shift or power overflows.
constexpr int kMaxWordWidth = 16;
// Width used when no source of the width is given: the usual 14-bit program word.
constexpr int kDefaultWordWidth = 14;

// An empty counting loop; volatile accesses are observable, so the optimiser keeps every pass.
// Kept out of line so that every wait runs the very same instructions wherever it is called.
[[gnu::noinline]] void countTo(int iterations) {
  volatile int counter = 0;
  while (counter < iterations) counter = counter + 1;
}

// The chip wants at least 1 µs between a command and its data and before its data line is
// read; on a fast port (a PCIe card) the counted loops alone take a tenth of that.
constexpr std::int64_t kFloorNs = 1000;

std::int64_t monotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// The counted loop, and then as long as it takes for the floor to have passed since it began.
void waitAtLeastFloor(int iterations) {
  const std::int64_t start = monotonicNs();
  countTo(iterations);
  while (monotonicNs() - start < kFloorNs) {
  }
}

enum PortOperation { kPortWrite = 0, kPortStatus = 2 };

}  // namespace

// Results that do not fit in 32 bits saturate to the nearest representable value (sign kept),
// so callers such as IntPower(2, n) - 1 never meet signed overflow.
std::int32_t IntPower(std::int32_t base, std::int32_t exponent) {
  if (exponent <= 0) return 1;
  if (base == 0 || base == 1) return base;
  if (base == -1) return (exponent % 2 == 0) ? 1 : -1;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  std::int64_t result = 1;
  for (std::int32_t i = 0; i < exponent; ++i) {
    result *= base;  // |result| <= 2^31 before, |base| <= 2^31: the product fits in 64 bits
    if (result > kMax || result < kMin) {
      const bool negative = base < 0 && exponent % 2 != 0;
      return negative ? static_cast<std::int32_t>(kMin) : static_cast<std::int32_t>(kMax);
    }
  }
  return static_cast<std::int32_t>(result);
}

void SettleDelay() {
  waitAtLeastFloor(301);
}

void ReadWait() {
  waitAtLeastFloor(201);
}

Link::Link(Port& port, Clock& clock, std::function<int()> wordWidth)
    : port_(&port), clock_(&clock), wordWidth_(std::move(wordWidth)) {}

void Link::SleepMs(int ms) {
  clock_->sleepMs(ms);
}

int Link::PortOp(int operation, int value) {
  switch (operation) {
    case kPortWrite: {
      const auto byte = static_cast<std::uint8_t>(value & 0xFF);
      // A board released by a stop signal stays unpowered until the operation ends.
      const bool released = StopSignals::boardReleased();
      if (released && byte != kIdleLines) return 0;
      if (!port_->writeByte(byte)) ++failedWrites_;
      // Stopped during this very write, which may have been made again once continued.
      if (!released && StopSignals::boardReleased()) port_->writeByte(kIdleLines);
      return 0;
    }
    case kPortStatus:
      return port_->readStatus();
    default:
      return 0;
  }
}

std::int32_t Link::SendCommand(int code, std::uint32_t data) {
  const int n = std::clamp(wordWidth_ ? wordWidth_() : kDefaultWordWidth, 0, kMaxWordWidth);
  const std::uint32_t m = static_cast<std::uint32_t>(IntPower(2, n - 1));

  auto write = [this](int value) { PortOp(kPortWrite, value); };
  // The chip latches PGD on the falling clock edge, so the data bit is held while the clock drops.
  auto pulse = [&](int low, int bit) {
    write(low + kClock + bit);
    write(low + bit);
  };

  if (code >= 64) {
    switch (code) {
      case CmdResetPulse:
        write(kResetLow);
        SleepMs(1);
        write(kPowerOff);
        return 0;
      case CmdProgModeOn:
        write(kResetLow);
        SleepMs(10);
        write(kIdle);
        SleepMs(10);
        return 0;
      case CmdProgModeOff:
        write(kPowerOff);
        return 0;
      default:
        return -2;
    }
  }

  const auto codeBits = static_cast<std::uint32_t>(code);
  write(kIdle);
  for (int i = 0; i < kCommandBits; ++i) pulse(kIdle, static_cast<int>((codeBits >> i) & 1u));
  SettleDelay();

  switch (code) {
    case CmdEraseSetup1:
    case CmdIncAddress:
    case CmdEraseSetup2:
    case CmdBeginProg:
    case CmdBulkEraseProg:
    case 10:
      return 0;

    case CmdLoadConfig:
    case CmdLoadProgData:
    case CmdLoadEEData:
      pulse(kIdle, 0);  // start bit
      for (int i = 0; i < n; ++i) pulse(kIdle, static_cast<int>((data >> i) & 1u));
      pulse(kIdle, 0);  // stop bit
      SettleDelay();
      return 0;

    case CmdReadProgData:
    case CmdReadEEData: {
      write(kReadIdle);
      ReadWait();
      pulse(kReadIdle, 0);  // start bit
      // The chip drives each bit after the rising edge; it is sampled after the falling one,
      // least significant bit first.
      std::uint32_t v = 0;
      for (int i = 0; i < n; ++i) {
        v >>= 1;
        pulse(kReadIdle, 0);
        if (PortOp(kPortStatus, 0) & kStatusData) v += m;
      }
      pulse(kReadIdle, 0);  // stop bit
      SettleDelay();
      return static_cast<std::int32_t>(v);
    }

    default:  // CmdEndProg and every unlisted code: the command bits went out, nothing follows
      return -1;
  }
}

}  // namespace tavrix
