#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "device/DeviceDef.h"

namespace tavrix {

// What an "OTP" cell has received: every pulse, and the pulses after the first one that left
// it equal to the latch (-1 while it has never been equal, or has been spoilt since).
struct OtpCellRecord {
  int pulses = 0;
  int afterEqual = -1;
};

// The cells a cycle works on, and so what one cut short spoils (they read 0 afterwards).
enum class CellArea { None, Word, EEByte, Program, EEProm, All, ProgramAndConfig };
struct CellTarget {
  CellArea area = CellArea::None;
  std::uint16_t address = 0;  // chip address for Word, EEPROM index for EEByte
};

// A chip's contents and their protection, addressed as the chip's address counter addresses
// them: 0x0000-0x1FFF program memory (the counter modulo its size), 0x2000-0x2003 the ID words,
// 0x2006 the identification word, 0x2007 the configuration word; EEPROM by index. Values are
// cut to the word width (EEPROM to 8 bits); out-of-range indexes read blank and ignore writes.
class ChipCells {
 public:
  static constexpr std::uint16_t kConfigBase = 0x2000;
  static constexpr std::uint16_t kDeviceIdAddress = 0x2006;
  static constexpr std::uint16_t kConfigWordAddress = 0x2007;
  static constexpr int kIdCount = 4;

  // Erased, with the device's identification word; `pulseRecords` keeps a record per word cell.
  ChipCells(const DeviceDef& device, bool pulseRecords);

  int programSize() const { return static_cast<int>(program_.size()); }
  int eepromSize() const { return static_cast<int>(eeprom_.size()); }
  int wordBits() const { return bits_; }
  std::uint16_t blankWord() const { return blank_; }
  // The identification word a new chip of the device answers.
  std::uint16_t defaultDeviceIdWord() const { return defaultDeviceId_; }

  std::uint16_t programWord(int index) const;
  void setProgramWord(int index, std::uint16_t value);
  std::uint16_t idWord(int index) const;
  void setIdWord(int index, std::uint16_t value);
  std::uint16_t configWord() const { return config_; }
  void setConfigWord(std::uint16_t value);
  std::uint16_t deviceIdWord() const { return deviceId_; }
  void setDeviceIdWord(std::uint16_t value);
  std::uint8_t eepromByte(int index) const;
  void setEEPromByte(int index, std::uint8_t value);
  // Everything blank, pulse records forgotten; the identification word stays.
  void erase();
  // Takes whole new contents (sized as these are) and forgets the pulse records.
  void replace(std::vector<std::uint16_t> program, const std::array<std::uint16_t, kIdCount>& ids,
               std::uint16_t config, std::uint16_t deviceId, std::vector<std::uint8_t> eeprom);
  std::uint64_t revision() const { return revision_; }

  // Protection from the configuration word: CP bits protect program memory, CPD bits the EEPROM,
  // while any of them is 0.
  bool programProtected() const { return (config_ & cpMask_) != cpMask_; }
  bool eepromProtected() const { return (config_ & cpdMask_) != cpdMask_; }

  // --- By chip address, as a programming cycle reaches them.
  // A program, ID or configuration word.
  bool isWordLocation(std::uint16_t address) const;
  // A word a cycle may change: program memory only while unprotected.
  bool writable(std::uint16_t address) const;
  std::uint16_t wordAt(std::uint16_t address) const;
  void storeWord(std::uint16_t address, std::uint16_t value);
  void storeEE(int index, std::uint8_t value);
  // Bulk erases: program memory, EEPROM, IDs and configuration word, as one change.
  struct Blanking {
    bool program = false;
    bool eeprom = false;
    bool idsAndConfig = false;
  };
  void blank(Blanking areas);
  // Spoils an EEPROM byte or a whole area. Not a Word: how a word cycle spoils is the
  // programming kind's.
  void spoil(const CellTarget& target);
  // The record of a word cell; null where none is kept.
  const OtpCellRecord* recordAt(std::uint16_t address) const;
  OtpCellRecord* recordAt(std::uint16_t address);

 private:
  void touch() { ++revision_; }

  int bits_;
  std::uint16_t blank_;
  std::uint16_t cpMask_ = 0;
  std::uint16_t cpdMask_ = 0;
  std::uint16_t defaultDeviceId_;
  std::vector<std::uint16_t> program_;
  std::array<std::uint16_t, kIdCount> ids_{};
  std::uint16_t config_ = 0;
  std::uint16_t deviceId_ = 0;
  std::vector<std::uint8_t> eeprom_;
  std::vector<OtpCellRecord> programRecords_;
  std::array<OtpCellRecord, kIdCount + 1> configRecords_{};  // IDs, then the configuration word
  std::uint64_t revision_ = 0;
};

}  // namespace tavrix
