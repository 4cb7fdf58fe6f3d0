#include "sim/ProgrammingKind.h"

namespace tavrix {

// "Flash1": Load Data fills latch PC bit 0. Begin starts programming the pair at the counter;
// End (14) at least 1 ms later ANDs both latches into the pair and blanks them. End sooner, any
// other command first, or leaving programming mode leaves the pair corrupted. Bulk Erase
// Program (9) erases program memory, IDs and configuration word, busy 30 ms. No EEPROM over the
// wire: data commands read 0 and write nothing.
namespace {

constexpr std::int64_t kPairUs = 1000;
constexpr std::int64_t kEraseUs = 30000;

class Flash1Kind final : public ProgrammingKind {
 public:
  int latchFor(std::uint16_t counter) const override { return counter & 1; }

  void begin(ChipCycles& chip, bool afterSetup) override {
    (void)afterSetup;
    chip.openCycle(static_cast<std::uint16_t>(chip.counter() & ~1u));
  }

  void end(ChipCycles& chip, std::uint16_t address, std::int64_t elapsedUs) override {
    if (elapsedUs < kPairUs) {
      chip.cutShort({CellArea::Word, address});
    } else {
      ChipCells& cells = chip.cells();
      for (std::uint16_t i = 0; i < 2; ++i) {
        const auto a = static_cast<std::uint16_t>(address | i);
        if (cells.writable(a)) cells.storeWord(a, cells.wordAt(a) & chip.latch(i));
      }
    }
    chip.blankLatches();
  }

  void bulkEraseProgram(ChipCycles& chip) override {
    chip.cells().blank({.program = true, .idsAndConfig = true});
    chip.startBusy(kEraseUs, {CellArea::ProgramAndConfig, 0});
  }

  // A pair cycle spoils both words of the pair.
  void spoilWord(ChipCells& cells, std::uint16_t address) const override {
    const auto base = static_cast<std::uint16_t>(address & ~1u);
    if (cells.writable(base)) cells.storeWord(base, 0);
    if (cells.writable(base | 1)) cells.storeWord(static_cast<std::uint16_t>(base | 1), 0);
  }
};

}  // namespace

std::unique_ptr<ProgrammingKind> makeFlash1Kind() {
  return std::make_unique<Flash1Kind>();
}

}  // namespace tavrix
