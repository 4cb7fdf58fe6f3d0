#include "sim/ProgrammingKind.h"

#include <limits>

namespace tavrix {

// "OTP": every Begin ... End pulse of at least 100 µs counts toward the cell at the counter. A
// program cell needs 1 + (index mod 3) pulses, an ID or the configuration word 2; the pulses
// before leave it as it is, that pulse and every later one make it old AND latch. A pulse
// shorter than that, or one not closed by End, leaves the cell corrupted. Nothing erases it;
// like "Flash1", no EEPROM over the wire.
namespace {

constexpr std::int64_t kPulseUs = 100;
constexpr int kConfigPulses = 2;

int saturatedIncrement(int value) {
  return value < std::numeric_limits<int>::max() ? value + 1 : value;
}

class OtpKind final : public ProgrammingKind {
 public:
  bool recordsPulses() const override { return true; }

  void begin(ChipCycles& chip, bool afterSetup) override {
    (void)afterSetup;
    chip.openCycle(chip.counter());
  }

  void end(ChipCycles& chip, std::uint16_t address, std::int64_t elapsedUs) override {
    if (elapsedUs < kPulseUs) {
      chip.cutShort({CellArea::Word, address});
      return;
    }
    ChipCells& cells = chip.cells();
    OtpCellRecord* record = cells.recordAt(address);
    if (!record || !cells.writable(address)) return;
    record->pulses = saturatedIncrement(record->pulses);
    const int needed = address < ChipCells::kConfigBase
                           ? 1 + static_cast<int>((address % cells.programSize()) % 3)
                           : kConfigPulses;
    const std::uint16_t latch = chip.latch(0);
    if (record->pulses >= needed) cells.storeWord(address, cells.wordAt(address) & latch);
    if (cells.wordAt(address) == latch)
      record->afterEqual = record->afterEqual < 0 ? 0 : saturatedIncrement(record->afterEqual);
    else
      record->afterEqual = -1;
  }
};

}  // namespace

std::unique_ptr<ProgrammingKind> makeOtpKind() {
  return std::make_unique<OtpKind>();
}

}  // namespace tavrix
