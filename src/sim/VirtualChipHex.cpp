// The virtual chip's contents file.
#include <QBuffer>
#include <QFile>

#include "device/FileNodes.h"
#include "device/FileSave.h"
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
constexpr qint64 kFileBytes = 0x10000;

void appendWord(QByteArray& data, std::uint16_t word) {
  data.append(static_cast<char>(word & 0xFF));
  data.append(static_cast<char>(word >> 8));
}

void setByte(std::uint16_t& word, bool high, std::uint8_t value) {
  word = high ? static_cast<std::uint16_t>((word & 0x00FF) | (value << 8))
              : static_cast<std::uint16_t>((word & 0xFF00) | value);
}

// The chip's contents as a file fills them in, starting from an erased chip. They replace the
// chip's own only once the whole file has been read.
struct Placement {
  Placement(int programWords, int eepromBytes, qint64 eepromStartByte, std::uint16_t blank,
            std::uint16_t deviceIdWord)
      : program(std::size_t(programWords), blank),
        config(blank),
        deviceId(deviceIdWord),
        eeprom(std::size_t(eepromBytes), 0xFF),
        eeStart(eepromStartByte),
        eeEnd(eepromStartByte + 2 * qint64(eepromBytes)) {
    ids.fill(blank);
  }

  // Puts the byte at file address b where it belongs; false when the chip has no place for it.
  bool place(int b, std::uint8_t value) {
    const bool high = (b & 1) != 0;
    if (b >= kIdByte && b < kReservedByte) {
      setByte(ids[(b - kIdByte) / 2], high, value);
    } else if (b >= kConfigByte && b < kConfigEndByte) {
      setByte(config, high, value);
    } else if (b >= kDeviceIdByte && b < kConfigByte) {
      setByte(deviceId, high, value);
    } else if (b >= kReservedByte && b < kDeviceIdByte) {
      // Reserved locations: the chip keeps nothing there.
    } else if (b < 2 * qint64(program.size())) {
      setByte(program[b / 2], high, value);
    } else if (b >= eeStart && b < eeEnd) {
      if (!high) eeprom[(b - eeStart) / 2] = value;  // the high byte of an EEPROM word is 0
    } else {
      return false;
    }
    return true;
  }

  std::vector<std::uint16_t> program;
  std::array<std::uint16_t, VirtualChip::kIdCount> ids{};
  std::uint16_t config;
  std::uint16_t deviceId;
  std::vector<std::uint8_t> eeprom;
  qint64 eeStart;
  qint64 eeEnd;
};

}  // namespace

QString VirtualChip::contentsFileProblem() const {
  // The device's own size, not the chip's: the counter's user half holds 8192 words, and a
  // device that claims more would put its words from 0x2000 on the ID and configuration bytes.
  const qint64 programEnd = 2 * qint64(qMax(0, device_.ProgMem));
  const qint64 eeStart = 2 * qint64(device_.EEPromStart);
  const qint64 eeEnd = eeStart + 2 * qint64(eepromSize());
  if (eepromSize() > 0 && (eeStart < 0 || eeEnd > kFileBytes)) return texts::hexEEPromDoesNotFit();
  // A byte that two areas share would be saved by one and read back into the other.
  if (programEnd > kIdByte ||
      (eepromSize() > 0 && (eeStart < programEnd || (eeStart < kConfigEndByte && eeEnd > kIdByte))))
    return texts::chipFileOverlap(device_.Name);
  return {};
}

QByteArray VirtualChip::hexText(QString* error) const {
  if (const QString problem = contentsFileProblem(); !problem.isEmpty()) {
    if (error) *error = problem;
    return {};
  }
  const qint64 eeStart = 2 * static_cast<qint64>(device_.EEPromStart);
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

bool VirtualChip::loadHex(QIODevice& in, QString* error) {
  if (const QString problem = contentsFileProblem(); !problem.isEmpty()) {
    if (error) *error = problem;
    return false;
  }
  // A file without the identification word (an older one) holds a chip of the selected device.
  Placement contents(programSize(), eepromSize(), 2 * qint64(device_.EEPromStart), blank_,
                     defaultDeviceIdWord());
  const auto placeRecord = [&contents](const HexRecord& r, QString* message) {
    for (qsizetype i = 0; i < r.data.size(); ++i) {
      const int b = r.address + static_cast<int>(i);
      if (!contents.place(b, static_cast<std::uint8_t>(r.data[i]))) {
        if (message) *message = texts::hexOutsideChip(r.line, b);
        return false;
      }
    }
    return true;
  };
  if (!ChipHexFile::read(in, placeRecord, error)) return false;

  for (std::uint16_t& w : contents.program) w &= blank_;
  for (std::uint16_t& w : contents.ids) w &= blank_;
  program_ = std::move(contents.program);
  ids_ = contents.ids;
  config_ = contents.config & blank_;
  deviceId_ = contents.deviceId & blank_;
  eeprom_ = std::move(contents.eeprom);
  std::fill(programRecords_.begin(), programRecords_.end(), OtpCellRecord{});
  configRecords_.fill(OtpCellRecord{});
  touch();
  return true;
}

bool VirtualChip::loadHexText(const QByteArray& text, QString* error) {
  QBuffer in;
  in.setData(text);
  in.open(QIODevice::ReadOnly);
  return loadHex(in, error);
}

bool VirtualChip::loadHex(const QString& path, QString* error) {
  // Only a regular file is read: /dev/zero would never end, a FIFO would wait for a writer.
  QFile file;
  if (!openRegularFile(path, file)) {
    if (error) *error = texts::chipFileOpen(path);
    return false;
  }
  return loadHex(file, error);
}

bool VirtualChip::saveHex(const QString& path, QString* error) const {
  const QByteArray text = hexText(error);
  if (text.isEmpty()) return false;
  // The contents go to a new file that replaces the old one; a node that is not a regular
  // file (a device, a FIFO, a folder) is never replaced.
  FileSave file;
  QString reason;
  if (!file.open(path, &reason, FileSave::Devices::Refused)) {
    if (error) *error = texts::chipFileCreate(path, reason);
    return false;
  }
  if (!file.write(text, &reason) || !file.commit(&reason)) {
    if (error) *error = texts::chipFileWrite(path, reason);
    return false;
  }
  return true;
}

}  // namespace tavrix
