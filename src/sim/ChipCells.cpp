#include "sim/ChipCells.h"

#include <QStringList>

#include <algorithm>
#include <utility>

namespace tavrix {

namespace {

constexpr int kMaxBits = 16;
// The user half of the counter reaches 8192 words; EEPROM indexes come from the whole counter.
constexpr int kMaxProgramWords = 0x2000;
constexpr int kMaxEEPromBytes = 0x4000;

}  // namespace

ChipCells::ChipCells(const DeviceDef& device, bool pulseRecords)
    : bits_(std::clamp(device.ProgBits, 0, kMaxBits)),
      blank_(static_cast<std::uint16_t>((1u << bits_) - 1u)),
      // Silicon revision 1: a real part's revision is never assumed to be 0.
      defaultDeviceId_(device.DeviceID == kNoDeviceId
                           ? blank_
                           : static_cast<std::uint16_t>((device.DeviceID | 1) & blank_)),
      program_(static_cast<std::size_t>(std::clamp(device.ProgMem, 0, kMaxProgramWords))),
      deviceId_(defaultDeviceId_),
      eeprom_(static_cast<std::size_t>(std::clamp(device.EEProm, 0, kMaxEEPromBytes))),
      programRecords_(pulseRecords ? program_.size() : 0) {
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
  erase();
  revision_ = 0;
}

std::uint16_t ChipCells::programWord(int index) const {
  if (index < 0 || index >= programSize()) return blank_;
  return program_[static_cast<std::size_t>(index)];
}

void ChipCells::setProgramWord(int index, std::uint16_t value) {
  if (index < 0 || index >= programSize()) return;
  program_[static_cast<std::size_t>(index)] = value & blank_;
  touch();
}

std::uint16_t ChipCells::idWord(int index) const {
  if (index < 0 || index >= kIdCount) return blank_;
  return ids_[static_cast<std::size_t>(index)];
}

void ChipCells::setIdWord(int index, std::uint16_t value) {
  if (index < 0 || index >= kIdCount) return;
  ids_[static_cast<std::size_t>(index)] = value & blank_;
  touch();
}

void ChipCells::setConfigWord(std::uint16_t value) {
  config_ = value & blank_;
  touch();
}

void ChipCells::setDeviceIdWord(std::uint16_t value) {
  deviceId_ = value & blank_;
  touch();
}

std::uint8_t ChipCells::eepromByte(int index) const {
  if (index < 0 || index >= eepromSize()) return 0xFF;
  return eeprom_[static_cast<std::size_t>(index)];
}

void ChipCells::setEEPromByte(int index, std::uint8_t value) {
  if (index < 0 || index >= eepromSize()) return;
  eeprom_[static_cast<std::size_t>(index)] = value;
  touch();
}

void ChipCells::erase() {
  std::fill(program_.begin(), program_.end(), blank_);
  ids_.fill(blank_);
  config_ = blank_;
  std::fill(eeprom_.begin(), eeprom_.end(), std::uint8_t{0xFF});
  std::fill(programRecords_.begin(), programRecords_.end(), OtpCellRecord{});
  configRecords_.fill(OtpCellRecord{});
  touch();
}

void ChipCells::replace(std::vector<std::uint16_t> program,
                        const std::array<std::uint16_t, kIdCount>& ids, std::uint16_t config,
                        std::uint16_t deviceId, std::vector<std::uint8_t> eeprom) {
  for (std::uint16_t& w : program) w &= blank_;
  program_ = std::move(program);
  for (std::size_t i = 0; i < ids_.size(); ++i) ids_[i] = ids[i] & blank_;
  config_ = config & blank_;
  deviceId_ = deviceId & blank_;
  eeprom_ = std::move(eeprom);
  std::fill(programRecords_.begin(), programRecords_.end(), OtpCellRecord{});
  configRecords_.fill(OtpCellRecord{});
  touch();
}

bool ChipCells::isWordLocation(std::uint16_t address) const {
  if (address < kConfigBase) return programSize() > 0;
  return address < kConfigBase + kIdCount || address == kConfigWordAddress;
}

bool ChipCells::writable(std::uint16_t address) const {
  if (!isWordLocation(address)) return false;
  return address >= kConfigBase || !programProtected();
}

std::uint16_t ChipCells::wordAt(std::uint16_t address) const {
  if (address < kConfigBase)
    return programSize() > 0 ? program_[address % program_.size()] : blank_;
  if (address < kConfigBase + kIdCount) return ids_[address - kConfigBase];
  if (address == kConfigWordAddress) return config_;
  if (address == kDeviceIdAddress) return deviceId_;
  return blank_;
}

void ChipCells::storeWord(std::uint16_t address, std::uint16_t value) {
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

void ChipCells::storeEE(int index, std::uint8_t value) {
  if (index < 0 || index >= eepromSize()) return;
  eeprom_[static_cast<std::size_t>(index)] = value;
  touch();
}

void ChipCells::blank(Blanking areas) {
  if (areas.program) std::fill(program_.begin(), program_.end(), blank_);
  if (areas.eeprom) std::fill(eeprom_.begin(), eeprom_.end(), std::uint8_t{0xFF});
  if (areas.idsAndConfig) {
    ids_.fill(blank_);
    config_ = blank_;
  }
  touch();
}

void ChipCells::spoil(const CellTarget& target) {
  switch (target.area) {
    case CellArea::None:
    case CellArea::Word:
      break;
    case CellArea::EEByte:
      storeEE(target.address, 0);
      break;
    case CellArea::All:
      std::fill(eeprom_.begin(), eeprom_.end(), std::uint8_t{0});
      [[fallthrough]];
    case CellArea::ProgramAndConfig:
      ids_.fill(0);
      config_ = 0;
      [[fallthrough]];
    case CellArea::Program:
      std::fill(program_.begin(), program_.end(), std::uint16_t{0});
      touch();
      break;
    case CellArea::EEProm:
      std::fill(eeprom_.begin(), eeprom_.end(), std::uint8_t{0});
      touch();
      break;
  }
}

const OtpCellRecord* ChipCells::recordAt(std::uint16_t address) const {
  if (address < kConfigBase) {
    if (programRecords_.empty()) return nullptr;
    return &programRecords_[address % programRecords_.size()];
  }
  if (address < kConfigBase + kIdCount) return &configRecords_[address - kConfigBase];
  if (address == kConfigWordAddress) return &configRecords_[kIdCount];
  return nullptr;
}

OtpCellRecord* ChipCells::recordAt(std::uint16_t address) {
  return const_cast<OtpCellRecord*>(std::as_const(*this).recordAt(address));
}

}  // namespace tavrix
