#include "sim/VirtualBoard.h"

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

ChipPins pinsFor(std::uint8_t lines) {
  ChipPins pins;
  pins.vdd = (lines & kSupplyCut) == 0;
  pins.vpp = (lines & kVpp) != 0;
  pins.mclrLow = (lines & kMclrLow) != 0;
  pins.pgc = (lines & kClock) != 0;
  pins.pgdHost = (lines & kData) != 0;
  pins.pgdReleased = (lines & kRelease) != 0;
  return pins;
}

}  // namespace

VirtualBoard::VirtualBoard(VirtualChip* chip) : chip_(chip) {
  drive();
}

bool VirtualBoard::writeByte(std::uint8_t value) {
  lines_ = value;
  ++bytesWritten_;
  drive();
  return true;
}

std::uint8_t VirtualBoard::readStatus() {
  ++statusReads_;
  const bool pgd = (lines_ & kRelease) ? (chip_ && chip_->pgdLevel()) : (lines_ & kData) != 0;
  return pgd ? kStatusPgd : 0;
}

void VirtualBoard::setChip(VirtualChip* chip) {
  if (chip == chip_) return;
  if (chip_) chip_->applyPins(ChipPins{});  // out of the socket: no supply, nothing driven
  chip_ = chip;
  drive();
}

void VirtualBoard::drive() {
  if (chip_) chip_->applyPins(pinsFor(lines_));
}

}  // namespace tavrix
