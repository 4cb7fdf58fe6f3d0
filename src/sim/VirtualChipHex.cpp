// The virtual chip's contents file.
#include <QFile>
#include <QSaveFile>

#include "device/FileNodes.h"
#include "sim/ChipHexFile.h"
#include "sim/SimTexts.h"
#include "sim/VirtualChip.h"

namespace tavrix {

namespace {

constexpr int kIdByte = 0x4000;
constexpr int kReservedByte = 0x4008;  // 0x2004-0x2005: nothing to keep there
constexpr int kDeviceIdByte = 0x400C;
constexpr int kConfigByte = 0x400E;
constexpr int kConfigEndByte = 0x4010;
constexpr int kWordsPerRecord = 16;
constexpr int kFileBytes = 0x10000;

void appendWord(QByteArray& data, std::uint16_t word) {
  data.append(static_cast<char>(word & 0xFF));
  data.append(static_cast<char>(word >> 8));
}

void setByte(std::uint16_t& word, bool high, std::uint8_t value) {
  word = high ? static_cast<std::uint16_t>((word & 0x00FF) | (value << 8))
              : static_cast<std::uint16_t>((word & 0xFF00) | value);
}

}  // namespace

QByteArray VirtualChip::hexText(QString* error) const {
  const qint64 eeStart = 2 * static_cast<qint64>(device_.EEPromStart);
  if (!eeprom_.empty() && (eeStart < 0 || eeStart + 2 * eepromSize() > kFileBytes)) {
    if (error) *error = texts::hexEEPromDoesNotFit();
    return {};
  }
  QByteArray out;
  for (int p = 0; p < programSize(); p += kWordsPerRecord) {
    QByteArray data;
    for (int i = p; i < programSize() && i < p + kWordsPerRecord; ++i)
      appendWord(data, program_[i]);
    out += ChipHexFile::record(0x00, static_cast<std::uint16_t>(2 * p), data);
  }
  QByteArray ids;
  for (std::uint16_t id : ids_) appendWord(ids, id);
  out += ChipHexFile::record(0x00, kIdByte, ids);
  QByteArray deviceId;
  appendWord(deviceId, deviceId_);
  out += ChipHexFile::record(0x00, kDeviceIdByte, deviceId);
  QByteArray config;
  appendWord(config, config_);
  out += ChipHexFile::record(0x00, kConfigByte, config);
  for (int e = 0; e < eepromSize(); e += kWordsPerRecord) {
    QByteArray data;
    for (int i = e; i < eepromSize() && i < e + kWordsPerRecord; ++i) appendWord(data, eeprom_[i]);
    out += ChipHexFile::record(0x00, static_cast<std::uint16_t>(eeStart + 2 * e), data);
  }
  out += ChipHexFile::endRecord();
  return out;
}

bool VirtualChip::loadHexText(const QByteArray& text, QString* error) {
  std::vector<HexRecord> records;
  if (!ChipHexFile::parse(text, &records, error)) return false;

  std::vector<std::uint16_t> program(program_.size(), blank_);
  std::array<std::uint16_t, kIdCount> ids;
  ids.fill(blank_);
  std::uint16_t config = blank_;
  // A file without the word (an older one) holds a chip of the selected device.
  std::uint16_t deviceId = defaultDeviceIdWord();
  std::vector<std::uint8_t> eeprom(eeprom_.size(), 0xFF);
  const qint64 eeStart = 2 * static_cast<qint64>(device_.EEPromStart);
  const qint64 eeEnd = eeStart + 2 * static_cast<qint64>(eeprom.size());

  for (const HexRecord& r : records) {
    for (qsizetype i = 0; i < r.data.size(); ++i) {
      const int b = r.address + static_cast<int>(i);
      const auto value = static_cast<std::uint8_t>(r.data[i]);
      const bool high = (b & 1) != 0;
      if (b >= kIdByte && b < kReservedByte) {
        setByte(ids[(b - kIdByte) / 2], high, value);
      } else if (b >= kConfigByte && b < kConfigEndByte) {
        setByte(config, high, value);
      } else if (b >= kDeviceIdByte && b < kConfigByte) {
        setByte(deviceId, high, value);
      } else if (b >= kReservedByte && b < kDeviceIdByte) {
        // Reserved locations: the chip keeps nothing there.
      } else if (b < 2 * programSize()) {
        setByte(program[b / 2], high, value);
      } else if (b >= eeStart && b < eeEnd) {
        if (!high) eeprom[(b - eeStart) / 2] = value;  // the high byte of an EEPROM word is 0
      } else {
        if (error) *error = texts::hexOutsideChip(r.line, b);
        return false;
      }
    }
  }

  for (std::uint16_t& w : program) w &= blank_;
  for (std::uint16_t& w : ids) w &= blank_;
  program_ = std::move(program);
  ids_ = ids;
  config_ = config & blank_;
  deviceId_ = deviceId & blank_;
  eeprom_ = std::move(eeprom);
  std::fill(programRecords_.begin(), programRecords_.end(), OtpCellRecord{});
  configRecords_.fill(OtpCellRecord{});
  touch();
  return true;
}

bool VirtualChip::loadHex(const QString& path, QString* error) {
  // Only a regular file is read: /dev/zero would never end, a FIFO would wait for a writer.
  QFile file;
  if (!openRegularFile(path, file)) {
    if (error) *error = texts::chipFileOpen(path);
    return false;
  }
  return loadHexText(file.readAll(), error);
}

bool VirtualChip::saveHex(const QString& path, QString* error) const {
  const QByteArray text = hexText(error);
  if (text.isEmpty()) return false;
  // The contents go to a new file that replaces the old one; a node that is not a regular
  // file (a device, a FIFO, a folder) is never replaced.
  QSaveFile file(path);
  if (saveNodeAt(path) != SaveNode::File || !file.open(QIODevice::WriteOnly)) {
    if (error) *error = texts::chipFileCreate(path);
    return false;
  }
  if (file.write(text) != text.size() || !file.commit()) {
    if (error) *error = texts::chipFileWrite(path);
    return false;
  }
  return true;
}

}  // namespace tavrix
