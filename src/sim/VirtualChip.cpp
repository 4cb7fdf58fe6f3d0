#include "sim/VirtualChip.h"

#include <QStringList>

#include <algorithm>
#include <limits>
#include <utility>

namespace tavrix {

// How each kind writes, and how long the chip stays busy (the engine's waits are longer):
// - "Flash": Begin (8) writes the latch of the last Load to the location at the counter: the
//   program latch to program memory (unless protected), an ID or the configuration word, busy
//   2 ms on names containing "16F62" and 4 ms otherwise; the data latch to the EEPROM byte
//   (unless protected), busy 4 ms. Setup 1, Setup 2, Begin with the counter at 0x2007 erases
//   everything, busy 8 ms. Bulk Erase Program (9) and Bulk Erase Data (11) erase program
//   memory or EEPROM, busy 8 ms. Erases ignore protection: they are how a chip is freed.
//   Setup 1, Setup 2, Begin anywhere else is an ordinary Begin (the sequence only means
//   something at the configuration word); a Begin with no Load since entry writes the blank
//   latch. Writes to a CPD-protected EEPROM are ignored, like writes to protected program words.
// - "Flash1": Load Data fills latch PC bit 0. Begin starts programming the pair at the
//   counter; End (14) at least 1 ms later ANDs both latches into the pair and blanks them.
//   End sooner, any other command first, or leaving programming mode leaves the pair
//   corrupted. Bulk Erase Program (9) erases program memory, IDs and configuration word, busy
//   30 ms. No EEPROM over the wire: data commands read 0 and write nothing.
// - "OTP": every Begin ... End pulse of at least 100 µs counts toward the cell at the counter.
//   A program cell needs 1 + (index mod 3) pulses, an ID or the configuration word 2; the
//   pulses before leave it as it is, that pulse and every later one make it old AND latch.
//   A pulse shorter than that, or one not closed by End, leaves the cell corrupted. Nothing
//   erases it; like "Flash1", no EEPROM over the wire.
namespace {

constexpr int kCommandBits = 6;
constexpr int kMaxBits = 16;
// The user half of the counter reaches 8192 words; EEPROM indexes come from the whole counter.
constexpr int kMaxProgramWords = 0x2000;
constexpr int kMaxEEPromBytes = 0x4000;

constexpr std::int64_t kFlashWordUs = 4000;
constexpr std::int64_t kFlash62WordUs = 2000;
constexpr std::int64_t kEEPromByteUs = 4000;
constexpr std::int64_t kSetupEraseUs = 8000;
constexpr std::int64_t kBulkEraseUs = 8000;
constexpr std::int64_t kFlash1EraseUs = 30000;
constexpr std::int64_t kFlash1PairUs = 1000;
constexpr std::int64_t kOtpPulseUs = 100;

constexpr int kOtpConfigPulses = 2;

enum Code {
  kLoadConfig = 0,
  kSetup1 = 1,
  kLoadProgram = 2,
  kLoadData = 3,
  kReadProgram = 4,
  kReadData = 5,
  kIncrement = 6,
  kSetup2 = 7,
  kBegin = 8,
  kBulkEraseProgram = 9,
  kBulkEraseData = 11,
  kEnd = 14,
};

int saturatedIncrement(int value) {
  return value < std::numeric_limits<int>::max() ? value + 1 : value;
}

}  // namespace

VirtualChip::VirtualChip(const DeviceDef& device, Clock& clock)
    : device_(device),
      clock_(&clock),
      kind_(kindOf(device) == DeviceKind::Other ? DeviceKind::Flash : kindOf(device)),
      bits_(std::clamp(device.ProgBits, 0, kMaxBits)),
      blank_(static_cast<std::uint16_t>((1u << bits_) - 1u)),
      programBusyUs_(device.Name.contains(QLatin1String("16F62")) ? kFlash62WordUs : kFlashWordUs),
      program_(static_cast<std::size_t>(std::clamp(device.ProgMem, 0, kMaxProgramWords))),
      eeprom_(static_cast<std::size_t>(std::clamp(device.EEProm, 0, kMaxEEPromBytes))),
      programRecords_(kind_ == DeviceKind::OTP ? program_.size() : 0) {
  // PalConf names the bits from bit 13 down.
  const QStringList names = device.PalConf.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  for (int i = 0; i < names.size() && i < 14; ++i) {
    const auto bit = static_cast<std::uint16_t>(1u << (13 - i));
    if (names[i].startsWith(QLatin1String("CPD")))
      cpdMask_ |= bit;
    else if (names[i].startsWith(QLatin1String("CP")))
      cpMask_ |= bit;
  }
  cpMask_ &= blank_;
  cpdMask_ &= blank_;
  deviceId_ = defaultDeviceIdWord();
  erase();
  revision_ = 0;
}

// --- Contents ---------------------------------------------------------------------------

std::uint16_t VirtualChip::programWord(int index) const {
  if (index < 0 || index >= programSize()) return blank_;
  return program_[static_cast<std::size_t>(index)];
}

void VirtualChip::setProgramWord(int index, std::uint16_t value) {
  if (index < 0 || index >= programSize()) return;
  program_[static_cast<std::size_t>(index)] = value & blank_;
  touch();
}

std::uint16_t VirtualChip::idWord(int index) const {
  if (index < 0 || index >= kIdCount) return blank_;
  return ids_[static_cast<std::size_t>(index)];
}

void VirtualChip::setIdWord(int index, std::uint16_t value) {
  if (index < 0 || index >= kIdCount) return;
  ids_[static_cast<std::size_t>(index)] = value & blank_;
  touch();
}

void VirtualChip::setConfigWord(std::uint16_t value) {
  config_ = value & blank_;
  touch();
}

void VirtualChip::setDeviceIdWord(std::uint16_t value) {
  deviceId_ = value & blank_;
  touch();
}

std::uint16_t VirtualChip::defaultDeviceIdWord() const {
  // Silicon revision 1: a real part's revision is never assumed to be 0.
  if (device_.DeviceID == kNoDeviceId) return blank_;
  return static_cast<std::uint16_t>((device_.DeviceID | 1) & blank_);
}

std::uint8_t VirtualChip::eepromByte(int index) const {
  if (index < 0 || index >= eepromSize()) return 0xFF;
  return eeprom_[static_cast<std::size_t>(index)];
}

void VirtualChip::setEEPromByte(int index, std::uint8_t value) {
  if (index < 0 || index >= eepromSize()) return;
  eeprom_[static_cast<std::size_t>(index)] = value;
  touch();
}

void VirtualChip::erase() {
  std::fill(program_.begin(), program_.end(), blank_);
  ids_.fill(blank_);
  config_ = blank_;
  std::fill(eeprom_.begin(), eeprom_.end(), std::uint8_t{0xFF});
  std::fill(programRecords_.begin(), programRecords_.end(), OtpCellRecord{});
  configRecords_.fill(OtpCellRecord{});
  touch();
}

bool VirtualChip::programProtected() const {
  return (config_ & cpMask_) != cpMask_;
}

bool VirtualChip::eepromProtected() const {
  return (config_ & cpdMask_) != cpdMask_;
}

bool VirtualChip::busy() const {
  return busyActive_ && clock_->nowUs() < busyUntilUs_;
}

OtpCellRecord VirtualChip::otpRecord(std::uint16_t address) const {
  const OtpCellRecord* record = recordAt(address);
  return record ? *record : OtpCellRecord{};
}

// --- Locations --------------------------------------------------------------------------

bool VirtualChip::isWordLocation(std::uint16_t address) const {
  if (address < kConfigBase) return programSize() > 0;
  return address < kConfigBase + kIdCount || address == kConfigWordAddress;
}

bool VirtualChip::writable(std::uint16_t address) const {
  if (!isWordLocation(address)) return false;
  return address >= kConfigBase || !programProtected();
}

std::uint16_t VirtualChip::wordAt(std::uint16_t address) const {
  if (address < kConfigBase)
    return programSize() > 0 ? program_[address % program_.size()] : blank_;
  if (address < kConfigBase + kIdCount) return ids_[address - kConfigBase];
  if (address == kConfigWordAddress) return config_;
  if (address == kDeviceIdAddress) return deviceId_;
  return blank_;
}

void VirtualChip::storeWord(std::uint16_t address, std::uint16_t value) {
  value &= blank_;
  if (address < kConfigBase) {
    if (programSize() > 0) program_[address % program_.size()] = value;
  } else if (address < kConfigBase + kIdCount) {
    ids_[address - kConfigBase] = value;
  } else if (address == kConfigWordAddress) {
    config_ = value;
  } else {
    return;
  }
  touch();
}

void VirtualChip::storeEE(int index, std::uint8_t value) {
  if (index < 0 || index >= eepromSize()) return;
  eeprom_[static_cast<std::size_t>(index)] = value;
  touch();
}

const OtpCellRecord* VirtualChip::recordAt(std::uint16_t address) const {
  if (address < kConfigBase) {
    if (programRecords_.empty()) return nullptr;
    return &programRecords_[address % programRecords_.size()];
  }
  if (address < kConfigBase + kIdCount) return &configRecords_[address - kConfigBase];
  if (address == kConfigWordAddress) return &configRecords_[kIdCount];
  return nullptr;
}

OtpCellRecord* VirtualChip::recordAt(std::uint16_t address) {
  return const_cast<OtpCellRecord*>(std::as_const(*this).recordAt(address));
}

std::uint16_t VirtualChip::readProgramLocation() const {
  if (pc_ < kConfigBase && programProtected()) return 0;
  return wordAt(pc_);
}

std::uint16_t VirtualChip::readDataLocation() const {
  if (kind_ != DeviceKind::Flash || eeprom_.empty() || eepromProtected()) return 0;
  // The byte travels in bits 7..0 of the data field, upper bits 0.
  return eeprom_[pc_ % eeprom_.size()] & blank_;
}

// --- The wire ---------------------------------------------------------------------------

bool VirtualChip::pgdLine() const {
  // A released line that nobody drives is pulled low on the board.
  return pins_.pgdReleased ? pgdLevel() : pins_.pgdHost;
}

void VirtualChip::applyPins(const ChipPins& pins) {
  const ChipPins old = pins_;
  const bool wasOn = modeCondition(old);
  const bool isOn = modeCondition(pins);
  pins_ = pins;
  if (inMode_ && !isOn) {
    leaveMode();
    return;
  }
  if (!wasOn && isOn) {
    // The chip enters programming mode only when PGC and PGD are low as VPP rises; otherwise it
    // stays out until the condition drops and comes back.
    if (!pins.pgc && !pgdLine()) enterMode();
    return;
  }
  if (!inMode_) return;
  if (!old.pgc && pins.pgc)
    risingEdge();
  else if (old.pgc && !pins.pgc)
    fallingEdge();
}

void VirtualChip::enterMode() {
  inMode_ = true;
  pc_ = 0;
  latch_.fill(blank_);
  dataLatch_ = 0xFF;
  lastLoadData_ = false;
  setupStep_ = 0;
  phase_ = Phase::Command;
  bitCount_ = 0;
  code_ = 0;
  commandStarted_ = false;
  driving_ = false;
}

void VirtualChip::leaveMode() {
  // Losing VDD or VPP mid-cycle spoils the location being written.
  if (busy()) {
    ++violations_;
    corrupt(busyTarget_);
  }
  busyActive_ = false;
  if (external_.active) {
    ++violations_;
    corrupt({Area::Word, external_.address});
    external_.active = false;
  }
  inMode_ = false;
  driving_ = false;
  level_ = false;
  phase_ = Phase::Command;
  bitCount_ = 0;
  code_ = 0;
  commandStarted_ = false;
  setupStep_ = 0;
  latch_.fill(blank_);
}

void VirtualChip::risingEdge() {
  switch (phase_) {
    case Phase::Command:
      if (bitCount_ == 0 && !commandStarted_) firstClock();
      break;
    case Phase::Load:
      break;
    case Phase::Read:
      if (frameClock_ < bits_ + 2) ++frameClock_;
      if (frameClock_ >= 2 && frameClock_ <= bits_ + 1) {
        driving_ = true;
        level_ = ((frameValue_ >> (frameClock_ - 2)) & 1u) != 0;
      } else {
        driving_ = false;  // start clock, and the stop clock's rising edge lets go
        level_ = false;
      }
      break;
  }
}

void VirtualChip::fallingEdge() {
  const bool bit = pgdLine();
  switch (phase_) {
    case Phase::Command:
      if (!commandStarted_) firstClock();
      if (bit) code_ |= 1 << bitCount_;
      if (++bitCount_ == kCommandBits) {
        const int code = code_;
        bitCount_ = 0;
        code_ = 0;
        commandStarted_ = false;
        execute(code);
      }
      break;
    case Phase::Load: {
      // Falling edge k of the frame: 0 is the start bit, 1..N the data, N + 1 the stop bit.
      const int k = frameClock_++;
      if (k >= 1 && k <= bits_ && bit) frameValue_ |= 1u << (k - 1);
      if (k >= bits_ + 1) {
        phase_ = Phase::Command;
        finishLoad();
      }
      break;
    }
    case Phase::Read:
      if (frameClock_ >= bits_ + 2) {
        driving_ = false;
        level_ = false;
        phase_ = Phase::Command;
      }
      break;
  }
}

void VirtualChip::firstClock() {
  commandStarted_ = true;
  commandStartUs_ = clock_->nowUs();
  if (busyActive_ && commandStartUs_ < busyUntilUs_) {
    ++violations_;
    corrupt(busyTarget_);
  }
  busyActive_ = false;
}

void VirtualChip::execute(int code) {
  lastCommand_ = code;
  if (commandCount_ < std::numeric_limits<std::int64_t>::max()) ++commandCount_;

  if (external_.active) {
    if (code == kEnd) {
      endProgramming();
      setupStep_ = 0;
      return;
    }
    // A pulse or pair cycle must be closed by End Programming before anything else.
    ++violations_;
    corrupt({Area::Word, external_.address});
    external_.active = false;
  }

  const bool flash = kind_ == DeviceKind::Flash;
  const int setupBefore = setupStep_;
  setupStep_ = 0;
  switch (code) {
    case kLoadConfig:
      pc_ = kConfigBase;
      [[fallthrough]];
    case kLoadProgram:
    case kLoadData:
      phase_ = Phase::Load;
      loadTarget_ = code == kLoadData ? LoadTarget::Data : LoadTarget::Program;
      frameClock_ = 0;
      frameValue_ = 0;
      break;
    case kReadProgram:
    case kReadData:
      phase_ = Phase::Read;
      frameClock_ = 0;
      frameValue_ = code == kReadProgram ? readProgramLocation() : readDataLocation();
      break;
    case kIncrement:
      if (pc_ < kConfigBase)
        pc_ = static_cast<std::uint16_t>((pc_ + 1) & 0x1FFF);
      else
        pc_ = static_cast<std::uint16_t>(kConfigBase | ((pc_ + 1) & 0x1FFF));
      break;
    case kSetup1:
      if (flash) setupStep_ = 1;
      break;
    case kSetup2:
      if (flash && setupBefore == 1) setupStep_ = 2;
      break;
    case kBegin:
      begin(setupBefore == 2);
      break;
    case kBulkEraseProgram:
    case kBulkEraseData:
      bulkErase(code);
      break;
    default:  // End with no cycle running, and every unknown code
      break;
  }
}

void VirtualChip::finishLoad() {
  const auto value = static_cast<std::uint16_t>(frameValue_ & blank_);
  if (loadTarget_ == LoadTarget::Program) {
    latch_[kind_ == DeviceKind::Flash1 ? (pc_ & 1) : 0] = value;
    lastLoadData_ = false;
  } else if (kind_ == DeviceKind::Flash) {
    dataLatch_ = static_cast<std::uint8_t>(value & 0xFF);
    lastLoadData_ = true;
  }
}

void VirtualChip::begin(bool afterSetup) {
  switch (kind_) {
    case DeviceKind::Flash1:
      external_ = {true, clock_->nowUs(), static_cast<std::uint16_t>(pc_ & ~1u)};
      return;
    case DeviceKind::OTP:
      external_ = {true, clock_->nowUs(), pc_};
      return;
    default:
      break;
  }
  if (afterSetup && pc_ == kConfigWordAddress) {
    std::fill(program_.begin(), program_.end(), blank_);
    std::fill(eeprom_.begin(), eeprom_.end(), std::uint8_t{0xFF});
    ids_.fill(blank_);
    config_ = blank_;
    touch();
    startBusy(kSetupEraseUs, {Area::All, 0});
    return;
  }
  if (lastLoadData_) {
    Target target;
    if (!eeprom_.empty() && !eepromProtected()) {
      const int index = static_cast<int>(pc_ % eeprom_.size());
      storeEE(index, dataLatch_);
      target = {Area::EEByte, static_cast<std::uint16_t>(index)};
    }
    startBusy(kEEPromByteUs, target);
    return;
  }
  Target target;
  if (writable(pc_)) {
    storeWord(pc_, latch_[0]);
    target = {Area::Word, pc_};
  }
  startBusy(programBusyUs_, target);
}

void VirtualChip::endProgramming() {
  const std::int64_t elapsed = commandStartUs_ - external_.beginUs;
  const std::uint16_t address = external_.address;
  external_.active = false;
  if (kind_ == DeviceKind::Flash1) {
    if (elapsed < kFlash1PairUs) {
      ++violations_;
      corrupt({Area::Word, address});
    } else {
      for (std::uint16_t i = 0; i < 2; ++i) {
        const auto a = static_cast<std::uint16_t>(address | i);
        if (writable(a)) storeWord(a, wordAt(a) & latch_[i]);
      }
    }
    latch_.fill(blank_);
    return;
  }
  if (elapsed < kOtpPulseUs) {
    ++violations_;
    corrupt({Area::Word, address});
    return;
  }
  applyPulse(address);
}

void VirtualChip::applyPulse(std::uint16_t address) {
  OtpCellRecord* record = recordAt(address);
  if (!record || !writable(address)) return;
  record->pulses = saturatedIncrement(record->pulses);
  const int needed = address < kConfigBase
                         ? 1 + static_cast<int>((address % programRecords_.size()) % 3)
                         : kOtpConfigPulses;
  if (record->pulses >= needed) storeWord(address, wordAt(address) & latch_[0]);
  if (wordAt(address) == latch_[0])
    record->afterEqual = record->afterEqual < 0 ? 0 : saturatedIncrement(record->afterEqual);
  else
    record->afterEqual = -1;
}

void VirtualChip::bulkErase(int code) {
  if (kind_ == DeviceKind::OTP) return;
  if (kind_ == DeviceKind::Flash1) {
    if (code != kBulkEraseProgram) return;
    std::fill(program_.begin(), program_.end(), blank_);
    ids_.fill(blank_);
    config_ = blank_;
    touch();
    startBusy(kFlash1EraseUs, {Area::ProgramAndConfig, 0});
    return;
  }
  if (code == kBulkEraseProgram) {
    std::fill(program_.begin(), program_.end(), blank_);
    touch();
    startBusy(kBulkEraseUs, {Area::Program, 0});
  } else {
    std::fill(eeprom_.begin(), eeprom_.end(), std::uint8_t{0xFF});
    touch();
    startBusy(kBulkEraseUs, {Area::EEProm, 0});
  }
}

void VirtualChip::startBusy(std::int64_t us, Target target) {
  busyActive_ = true;
  busyUntilUs_ = clock_->nowUs() + us;
  busyTarget_ = target;
}

void VirtualChip::corrupt(const Target& target) {
  switch (target.area) {
    case Area::None:
      break;
    case Area::Word:
      if (kind_ == DeviceKind::Flash1) {
        // A pair cycle spoils both words of the pair.
        const auto base = static_cast<std::uint16_t>(target.address & ~1u);
        if (writable(base)) storeWord(base, 0);
        if (writable(base | 1)) storeWord(static_cast<std::uint16_t>(base | 1), 0);
      } else if (writable(target.address)) {
        storeWord(target.address, 0);
        if (OtpCellRecord* record = recordAt(target.address)) record->afterEqual = -1;
      }
      break;
    case Area::EEByte:
      storeEE(target.address, 0);
      break;
    case Area::All:
      std::fill(eeprom_.begin(), eeprom_.end(), std::uint8_t{0});
      [[fallthrough]];
    case Area::ProgramAndConfig:
      ids_.fill(0);
      config_ = 0;
      [[fallthrough]];
    case Area::Program:
      std::fill(program_.begin(), program_.end(), std::uint16_t{0});
      touch();
      break;
    case Area::EEProm:
      std::fill(eeprom_.begin(), eeprom_.end(), std::uint8_t{0});
      touch();
      break;
  }
}

}  // namespace tavrix
