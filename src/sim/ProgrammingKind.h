#pragma once

#include <cstdint>
#include <memory>

#include "device/DeviceDef.h"
#include "sim/ChipCells.h"

namespace tavrix {

// What a programming kind may do to the chip while one of its commands runs: the contents, the
// address counter and latches as the last loads left them, and the chip's two ways of timing a
// cycle. The virtual chip's core gives it; it lasts as long as the command.
class ChipCycles {
 public:
  virtual ChipCells& cells() = 0;
  virtual std::uint16_t counter() const = 0;
  // The program latches (index 0, or 1 for the second word of a pair), the data latch, and
  // whether the last Load Data filled the data latch rather than a program latch.
  virtual std::uint16_t latch(int index) const = 0;
  virtual std::uint8_t dataLatch() const = 0;
  virtual bool lastLoadWasData() const = 0;
  // Puts the blank word back in the program latches.
  virtual void blankLatches() = 0;
  // A cycle the chip times itself: busy for `us` from now. A command whose first clock comes
  // sooner, or leaving programming mode meanwhile, spoils `target` and counts a violation.
  virtual void startBusy(std::int64_t us, CellTarget target) = 0;
  // A cycle the host times: open until End Programming, which the kind's end() then closes.
  // Any other command first, or leaving programming mode, spoils the word at `address` (as the
  // kind's spoilWord says) and counts a violation.
  virtual void openCycle(std::uint16_t address) = 0;
  // A cycle that was too short: counts a violation and spoils `target`.
  virtual void cutShort(CellTarget target) = 0;

 protected:
  ~ChipCycles() = default;
};

// How a chip of one programming kind writes and erases: what a Begin Programming, an End
// Programming and the bulk erases do, and which of the other commands it understands. The
// virtual chip's core does the rest (mode, counter, command decoding, latches, timing checks,
// protection). One file per kind; makeProgrammingKind picks the device's.
class ProgrammingKind {
 public:
  virtual ~ProgrammingKind() = default;

  // The program latch a Load Data for Program Memory fills with the counter at `counter`.
  virtual int latchFor(std::uint16_t counter) const {
    (void)counter;
    return 0;
  }
  // Load Data and Read Data for Data Memory reach the EEPROM; otherwise reads give 0 and loads
  // are ignored.
  virtual bool dataOverWire() const { return false; }
  // Bulk Erase Setup 1 then Setup 2 make the next Begin an erase sequence (see begin()).
  virtual bool eraseSetup() const { return false; }
  // Keeps an OtpCellRecord per word cell.
  virtual bool recordsPulses() const { return false; }

  // Begin Programming (8). `afterSetup`: it came right after Setup 1 then Setup 2.
  virtual void begin(ChipCycles& chip, bool afterSetup) = 0;
  // End Programming (14) closing the cycle opened at `address`, `elapsedUs` after the Begin's
  // first clock (counted to the End's first clock).
  virtual void end(ChipCycles& chip, std::uint16_t address, std::int64_t elapsedUs) {
    (void)chip;
    (void)address;
    (void)elapsedUs;
  }
  // Bulk Erase Program Memory (9) and Bulk Erase Data Memory (11).
  virtual void bulkEraseProgram(ChipCycles& chip) { (void)chip; }
  virtual void bulkEraseData(ChipCycles& chip) { (void)chip; }
  // What a word cycle cut short leaves at `address`: the word reads 0 (when it may be written)
  // and its record, if any, is spoilt.
  virtual void spoilWord(ChipCells& cells, std::uint16_t address) const;
};

// The kind a device's Programming text names; any text that is no kind behaves as "Flash".
std::unique_ptr<ProgrammingKind> makeProgrammingKind(const DeviceDef& device);

// One latch per word, self-timed cycles, EEPROM over the wire ("Flash").
std::unique_ptr<ProgrammingKind> makeFlashKind(const DeviceDef& device);
// Latch pairs closed by End Programming ("Flash1").
std::unique_ptr<ProgrammingKind> makeFlash1Kind();
// EPROM pulses counted per cell ("OTP").
std::unique_ptr<ProgrammingKind> makeOtpKind();

}  // namespace tavrix
