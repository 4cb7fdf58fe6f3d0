#include "sim/VirtualBoard.h"

#include <sys/prctl.h>
#include <time.h>

#include <chrono>

#include "link/VirtualClock.h"
#include "sim/VirtualChip.h"

namespace tavrix {

namespace {

constexpr std::uint8_t kData = 0x01;
constexpr std::uint8_t kClock = 0x02;
constexpr std::uint8_t kRelease = 0x04;
constexpr std::uint8_t kVpp = 0x08;
constexpr std::uint8_t kMclrLow = 0x10;
constexpr std::uint8_t kSupplyCut = 0x20;
constexpr std::uint8_t kStatusPgd = 0x40;

// The last stretch of a wait is spun: a sleeper wakes tens of microseconds late, which would
// make a 200 µs byte look like 260.
constexpr std::int64_t kSpinUs = 60;

ChipPins pinsFor(std::uint8_t lines, const BoardFaults& faults) {
  ChipPins pins;
  pins.vdd = (lines & kSupplyCut) == 0;
  pins.vpp = (lines & kVpp) != 0 && !faults.noVpp;
  pins.mclrLow = (lines & kMclrLow) != 0;
  pins.pgc = (lines & kClock) != 0;
  pins.pgdHost = (lines & kData) != 0;
  pins.pgdReleased = (lines & kRelease) != 0;
  if (faults.data0 || faults.data1) {
    // A stuck line overrides every driver, the chip's included.
    pins.pgdHost = faults.data1;
    pins.pgdReleased = false;
  }
  return pins;
}

std::int64_t steadyUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Never shorter than asked.
void waitRealUs(std::int64_t us) {
  const std::int64_t end = steadyUs() + us;
  for (std::int64_t left = end - steadyUs(); left > kSpinUs; left = end - steadyUs()) {
    const std::int64_t nap = left - kSpinUs;
    const timespec ts{static_cast<time_t>(nap / 1000000), static_cast<long>(nap % 1000000) * 1000};
    nanosleep(&ts, nullptr);
  }
  // A plain spin: yielding to a busy machine would give the processor away for milliseconds.
  while (steadyUs() < end) {
  }
}

}  // namespace

VirtualBoard::VirtualBoard(VirtualChip* chip) : chip_(chip), realWait_(waitRealUs) {
  drive();
}

bool VirtualBoard::writeByte(std::uint8_t value) {
  if (faults_.slow) {
    realWait_(kSlowByteUs);
    if (virtualClock_) virtualClock_->advanceUs(kSlowByteUs);
  }
  lines_ = value;
  ++bytesWritten_;
  drive();
  return true;
}

bool VirtualBoard::goIdleNow() noexcept {
  lines_ = kIdleLines;
  return true;
}

std::uint8_t VirtualBoard::readStatus() {
  ++statusReads_;
  return pgdLevel() ? kStatusPgd : 0;
}

void VirtualBoard::setChip(VirtualChip* chip) {
  if (chip == chip_) return;
  if (VirtualChip* old = socketChip()) old->applyPins(ChipPins{});  // out: no supply, no drive
  chip_ = chip;
  drive();
}

void VirtualBoard::setFaults(const BoardFaults& faults) {
  // The default timer slack lets each short sleep run 50 µs long; the slow byte wants 200 µs.
  if (faults.slow) prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  VirtualChip* before = socketChip();
  faults_ = faults;
  if (before && !socketChip()) before->applyPins(ChipPins{});
  drive();
}

void VirtualBoard::setRealWait(std::function<void(std::int64_t us)> wait) {
  realWait_ = wait ? std::move(wait) : std::function<void(std::int64_t)>(waitRealUs);
}

VirtualChip* VirtualBoard::socketChip() const {
  return faults_.noChip ? nullptr : chip_;
}

bool VirtualBoard::pgdLevel() const {
  if (faults_.data0) return false;
  if (faults_.data1) return true;
  if (lines_ & kRelease) {
    const VirtualChip* chip = socketChip();
    return chip && chip->pgdLevel();
  }
  return (lines_ & kData) != 0;
}

void VirtualBoard::drive() {
  if (VirtualChip* chip = socketChip()) chip->applyPins(pinsFor(lines_, faults_));
}

}  // namespace tavrix
