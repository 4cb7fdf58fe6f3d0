#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

#include "device/DeviceDef.h"
#include "link/Clock.h"
#include "sim/ChipCells.h"
#include "sim/ProgrammingKind.h"

class QIODevice;

namespace tavrix {

// The levels the programmer board puts on the chip's pins.
struct ChipPins {
  bool vdd = false;         // supply on
  bool vpp = false;         // programming voltage on MCLR
  bool mclrLow = false;     // MCLR pulled to ground
  bool pgc = false;         // clock (RB6)
  bool pgdHost = false;     // the host's data bit on PGD (RB7)
  bool pgdReleased = true;  // the host's data driver is released, so the chip may drive PGD
};

// A PIC mid-range chip in the programmer's socket, built from a device of the device file.
//
// It follows the serial programming protocol as the chip sees it on its pins:
// - Programming mode starts when VDD is on, VPP is on and MCLR is not grounded, with PGC and
//   PGD low at that moment; it resets the address counter to 0 and the latches to the blank
//   word. It ends as soon as one of the three conditions goes; a cycle still running then is
//   cut short (its location is corrupted and counted as a timing violation).
// - Six command bits, least significant first, sampled on falling PGC edges. Codes 0, 2 and 3
//   take a frame of ProgBits + 2 clocks (start, data LSB first, stop) sampled the same way.
//   Codes 4 and 5 answer in a frame of the same length: the chip drives data bit i from the
//   rising edge of frame clock i + 2 until the next rising edge, and lets go of PGD at the
//   rising edge of the stop clock. Unknown codes are ignored.
// - Address counter of 14 bits: 0x0000-0x1FFF wraps to 0, 0x2000-0x3FFF wraps to 0x2000.
//   Program word = counter mod ProgMem, EEPROM byte = counter mod EEProm; 0x2000-0x2003 are
//   the ID words, 0x2006 the device identification word (read only), 0x2007 the
//   configuration word; the other configuration locations read the blank word and ignore
//   writes.
// - The Programming kind decides how words are written ("Flash", "Flash1", "OTP"; any other
//   text behaves as "Flash"): see ProgrammingKind.h and one file per kind for the rules of each
//   and their busy times. This class is the part every kind shares.
// - Code protection: configuration bits whose names (PalConf, bit 13 first) start with "CP"
//   but not "CPD" protect all program memory while any of them is 0 (reads give 0, writes
//   are ignored); "CPD" bits protect the data EEPROM the same way. IDs and the configuration
//   word stay readable.
// - A command whose first clock arrives while a cycle is still running corrupts the location
//   being written (it reads 0 afterwards) and adds one to timingViolations().
//
// Time comes from the Clock given at construction, which must outlive the chip. The chip
// never allocates while decoding, whatever bytes arrive.
class VirtualChip : private ChipCycles {
 public:
  static constexpr std::uint16_t kConfigBase = ChipCells::kConfigBase;
  static constexpr std::uint16_t kDeviceIdAddress = ChipCells::kDeviceIdAddress;
  static constexpr std::uint16_t kConfigWordAddress = ChipCells::kConfigWordAddress;
  static constexpr int kIdCount = ChipCells::kIdCount;

  // A new chip is erased: program words, IDs and configuration word blank, EEPROM 0xFF.
  VirtualChip(const DeviceDef& device, Clock& clock);
  // A chip that programs as `programming` says, whatever the device's Programming text.
  VirtualChip(const DeviceDef& device, Clock& clock, std::unique_ptr<ProgrammingKind> programming);

  const DeviceDef& device() const { return device_; }
  // Flash, Flash1 or OTP; a Programming text that is none of them gives Flash.
  DeviceKind kind() const { return kind_; }
  // ProgMem, at most the 8192 words the counter can reach; 0 when the device has none.
  int programSize() const { return cells_.programSize(); }
  // EEProm, at most the 16384 bytes the counter can reach; 0 when the device has none.
  int eepromSize() const { return cells_.eepromSize(); }
  // Data bits per frame (ProgBits, limited to 0-16).
  int wordBits() const { return cells_.wordBits(); }
  // 2^ProgBits - 1: the value of an erased word.
  std::uint16_t blankWord() const { return cells_.blankWord(); }

  // --- The wire, as the board drives it.
  void applyPins(const ChipPins& pins);
  // True while the chip drives PGD (during a read frame); pgdLevel() is then its level.
  bool drivesPgd() const { return driving_; }
  bool pgdLevel() const { return driving_ && level_; }

  // --- Contents. Out-of-range indexes read the blank value and ignore writes; values are cut
  // to the word width (EEPROM to 8 bits). Setters bypass protection and timing.
  std::uint16_t programWord(int index) const { return cells_.programWord(index); }
  void setProgramWord(int index, std::uint16_t value) { cells_.setProgramWord(index, value); }
  // Index 0-3, chip address 0x2000 + index.
  std::uint16_t idWord(int index) const { return cells_.idWord(index); }
  void setIdWord(int index, std::uint16_t value) { cells_.setIdWord(index, value); }
  std::uint16_t configWord() const { return cells_.configWord(); }
  void setConfigWord(std::uint16_t value) { cells_.setConfigWord(value); }
  // The identification word at 0x2006, the part's own: read only over the wire and kept by
  // every erase. A new chip answers its device's DeviceID with revision 1, or the blank word
  // when the device has none.
  std::uint16_t deviceIdWord() const { return cells_.deviceIdWord(); }
  void setDeviceIdWord(std::uint16_t value) { cells_.setDeviceIdWord(value); }
  std::uint8_t eepromByte(int index) const { return cells_.eepromByte(index); }
  void setEEPromByte(int index, std::uint8_t value) { cells_.setEEPromByte(index, value); }
  // Makes the chip as new: everything blank, OTP records forgotten. Mode and counter stay.
  void erase() { cells_.erase(); }
  // Goes up by one on every change of the contents, so a view can tell when to refresh.
  std::uint64_t contentsRevision() const { return cells_.revision(); }

  // --- Contents file: Intel HEX laid out like the program's own files (program word w at byte
  // 2w, ID words at byte 0x4000, identification word at 0x400C, configuration word at 0x400E,
  // EEPROM byte e at byte 2 × (EEPromStart + e); two bytes per word, low byte first; full
  // words, so IDs keep all their bits). Loading starts from an erased chip with its device's
  // identification word, so a file that holds another one (a chip made as another device)
  // keeps answering as what it is; a file that is malformed or holds data outside the chip
  // leaves the chip as it was and returns false with a message. The file is
  // read a line at a time, whatever its size.
  bool loadHex(const QString& path, QString* error);
  bool loadHex(QIODevice& in, QString* error);
  bool saveHex(const QString& path, QString* error) const;
  bool loadHexText(const QByteArray& text, QString* error);
  // Empty, with a message, when contentsFileProblem() says why.
  QByteArray hexText(QString* error = nullptr) const;
  // Why this chip cannot be kept in a contents file (its EEPROM does not fit the file's 64 KB,
  // or its areas would share bytes of the file with each other or with the ID and
  // configuration words at 0x4000-0x400F); empty when it can.
  QString contentsFileProblem() const;

  // --- Protection, from the current configuration word.
  bool programProtected() const { return cells_.programProtected(); }
  bool eepromProtected() const { return cells_.eepromProtected(); }

  // --- State for tests and views.
  bool inProgrammingMode() const { return inMode_; }
  std::uint16_t addressCounter() const { return pc_; }
  // A self-timed cycle (program, erase) is still running at the clock's present time.
  bool busy() const;
  // An externally timed cycle ("Flash1" pair, "OTP" pulse) waits for its End Programming.
  bool awaitingEnd() const { return external_.active; }
  std::int64_t timingViolations() const { return violations_; }
  void clearTimingViolations() { violations_ = 0; }
  // Code of the last complete command (-1 before the first) and how many have arrived.
  int lastCommand() const { return lastCommand_; }
  std::int64_t commandCount() const { return commandCount_; }
  // The latch a Load Data fills: index 0, or PC bit 0 on "Flash1".
  std::uint16_t programLatch(int index = 0) const { return latch_[index & 1]; }
  // Record of the cell at a chip address (program, ID or configuration word).
  OtpCellRecord otpRecord(std::uint16_t address) const;

 private:
  enum class Phase { Command, Load, Read };
  enum class LoadTarget { Program, Data };
  struct External {
    bool active = false;
    std::int64_t beginUs = 0;
    std::uint16_t address = 0;
  };

  // What the programming kind works on.
  ChipCells& cells() override { return cells_; }
  std::uint16_t counter() const override { return pc_; }
  std::uint16_t latch(int index) const override { return latch_[index & 1]; }
  std::uint8_t dataLatch() const override { return dataLatch_; }
  bool lastLoadWasData() const override { return lastLoadData_; }
  void blankLatches() override { latch_.fill(cells_.blankWord()); }
  void startBusy(std::int64_t us, CellTarget target) override;
  void openCycle(std::uint16_t address) override;
  void cutShort(CellTarget target) override;

  bool modeCondition(const ChipPins& p) const { return p.vdd && p.vpp && !p.mclrLow; }
  bool pgdLine() const;
  void enterMode();
  void leaveMode();
  void risingEdge();
  void fallingEdge();
  void firstClock();
  void execute(int code);
  void finishLoad();
  void corrupt(const CellTarget& target);
  std::uint16_t readProgramLocation() const;
  std::uint16_t readDataLocation() const;

  DeviceDef device_;
  Clock* clock_;
  DeviceKind kind_;
  std::unique_ptr<ProgrammingKind> programming_;
  ChipCells cells_;

  ChipPins pins_;
  bool inMode_ = false;
  bool driving_ = false;
  bool level_ = false;
  std::uint16_t pc_ = 0;
  std::array<std::uint16_t, 2> latch_{};
  std::uint8_t dataLatch_ = 0xFF;
  bool lastLoadData_ = false;
  int setupStep_ = 0;  // 1 after Bulk Erase Setup 1, 2 after Setup 1 then Setup 2

  Phase phase_ = Phase::Command;
  int bitCount_ = 0;
  int code_ = 0;
  bool commandStarted_ = false;
  std::int64_t commandStartUs_ = 0;
  LoadTarget loadTarget_ = LoadTarget::Program;
  int frameClock_ = 0;
  std::uint32_t frameValue_ = 0;

  bool busyActive_ = false;
  std::int64_t busyUntilUs_ = 0;
  CellTarget busyTarget_;
  External external_;

  std::int64_t violations_ = 0;
  int lastCommand_ = -1;
  std::int64_t commandCount_ = 0;
};

}  // namespace tavrix
