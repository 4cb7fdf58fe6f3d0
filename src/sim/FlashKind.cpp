#include "sim/ProgrammingKind.h"

namespace tavrix {

// "Flash": Begin (8) writes the latch of the last Load to the location at the counter: the
// program latch to program memory (unless protected), an ID or the configuration word, busy
// 2 ms on names containing "16F62" and 4 ms otherwise; the data latch to the EEPROM byte (unless
// protected), busy 4 ms. Setup 1, Setup 2, Begin with the counter at 0x2007 erases everything,
// busy 8 ms. Bulk Erase Program (9) and Bulk Erase Data (11) erase program memory or EEPROM,
// busy 8 ms. Erases ignore protection: they are how a chip is freed. Setup 1, Setup 2, Begin
// anywhere else is an ordinary Begin (the sequence only means something at the configuration
// word); a Begin with no Load since entry writes the blank latch. The engine's waits are longer
// than these times.
namespace {

constexpr std::int64_t kWordUs = 4000;
constexpr std::int64_t k62WordUs = 2000;
constexpr std::int64_t kEEPromByteUs = 4000;
constexpr std::int64_t kSetupEraseUs = 8000;
constexpr std::int64_t kBulkEraseUs = 8000;

class FlashKind final : public ProgrammingKind {
 public:
  explicit FlashKind(const DeviceDef& device)
      : wordUs_(device.Name.contains(QLatin1String("16F62")) ? k62WordUs : kWordUs) {}

  bool dataOverWire() const override { return true; }
  bool eraseSetup() const override { return true; }

  void begin(ChipCycles& chip, bool afterSetup) override {
    ChipCells& cells = chip.cells();
    const std::uint16_t pc = chip.counter();
    if (afterSetup && pc == ChipCells::kConfigWordAddress) {
      cells.blank({.program = true, .eeprom = true, .idsAndConfig = true});
      chip.startBusy(kSetupEraseUs, {CellArea::All, 0});
      return;
    }
    CellTarget target;
    if (chip.lastLoadWasData()) {
      if (cells.eepromSize() > 0 && !cells.eepromProtected()) {
        const int index = pc % cells.eepromSize();
        cells.storeEE(index, chip.dataLatch());
        target = {CellArea::EEByte, static_cast<std::uint16_t>(index)};
      }
      chip.startBusy(kEEPromByteUs, target);
      return;
    }
    if (cells.writable(pc)) {
      cells.storeWord(pc, chip.latch(0));
      target = {CellArea::Word, pc};
    }
    chip.startBusy(wordUs_, target);
  }

  void bulkEraseProgram(ChipCycles& chip) override {
    chip.cells().blank({.program = true});
    chip.startBusy(kBulkEraseUs, {CellArea::Program, 0});
  }

  void bulkEraseData(ChipCycles& chip) override {
    chip.cells().blank({.eeprom = true});
    chip.startBusy(kBulkEraseUs, {CellArea::EEProm, 0});
  }

 private:
  std::int64_t wordUs_;
};

}  // namespace

std::unique_ptr<ProgrammingKind> makeFlashKind(const DeviceDef& device) {
  return std::make_unique<FlashKind>(device);
}

}  // namespace tavrix
