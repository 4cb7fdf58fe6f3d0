#include "sim/ChipHexFile.h"

#include <QList>

#include "sim/SimTexts.h"

namespace tavrix::ChipHexFile {

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void appendHexByte(QByteArray& out, std::uint8_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  out.append(kDigits[value >> 4]);
  out.append(kDigits[value & 0x0F]);
}

bool fail(QString* error, const QString& message) {
  if (error) *error = message;
  return false;
}

}  // namespace

std::uint8_t checksum(const QByteArray& recordBytes) {
  std::uint8_t sum = 0;
  for (char c : recordBytes) sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
  return static_cast<std::uint8_t>(0x100 - sum);
}

bool parse(const QByteArray& text, std::vector<HexRecord>* records, QString* error) {
  std::vector<HexRecord> result;
  const QList<QByteArray> lines = text.split('\n');
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i + 1);
    QByteArray line = lines[i];
    if (line.endsWith('\r')) line.chop(1);
    if (line.isEmpty()) continue;
    if (line[0] != ':') return fail(error, texts::hexNoColon(lineNo));
    const QByteArray digits = line.mid(1);
    if (digits.size() % 2 != 0) return fail(error, texts::hexOddDigits(lineNo));
    QByteArray bytes;
    bytes.reserve(digits.size() / 2);
    for (qsizetype k = 0; k < digits.size(); k += 2) {
      const int high = hexDigit(digits[k]);
      const int low = hexDigit(digits[k + 1]);
      if (high < 0 || low < 0) return fail(error, texts::hexBadDigit(lineNo));
      bytes.append(static_cast<char>(high * 16 + low));
    }
    if (bytes.size() < 5) return fail(error, texts::hexShortRecord(lineNo));
    const int length = static_cast<std::uint8_t>(bytes[0]);
    if (bytes.size() != length + 5) return fail(error, texts::hexBadLength(lineNo));
    if (checksum(bytes.left(bytes.size() - 1)) != static_cast<std::uint8_t>(bytes.back()))
      return fail(error, texts::hexBadChecksum(lineNo));

    HexRecord r;
    r.line = lineNo;
    r.address = static_cast<std::uint16_t>((static_cast<std::uint8_t>(bytes[1]) << 8) |
                                           static_cast<std::uint8_t>(bytes[2]));
    r.type = static_cast<std::uint8_t>(bytes[3]);
    r.data = bytes.mid(4, length);
    switch (r.type) {
      case 0x00:
        if (r.address + length > 0x10000) return fail(error, texts::hexPastEnd(lineNo));
        result.push_back(std::move(r));
        break;
      case 0x01:
        if (length != 0) return fail(error, texts::hexBadLength(lineNo));
        if (records) *records = std::move(result);
        return true;
      case 0x02:
      case 0x04:
        // A segment or upper address of 0 leaves every address as it is; anything else would
        // place data beyond the 64 KB this file can hold.
        if (length != 2 || r.data != QByteArray(2, '\0'))
          return fail(error, texts::hexBadType(lineNo, r.type));
        break;
      default:
        return fail(error, texts::hexBadType(lineNo, r.type));
    }
  }
  return fail(error, texts::hexNoEnd());
}

QByteArray record(std::uint8_t type, std::uint16_t address, const QByteArray& data) {
  const QByteArray payload = data.left(255);
  QByteArray bytes;
  bytes.append(static_cast<char>(payload.size()));
  bytes.append(static_cast<char>(address >> 8));
  bytes.append(static_cast<char>(address & 0xFF));
  bytes.append(static_cast<char>(type));
  bytes.append(payload);
  bytes.append(static_cast<char>(checksum(bytes)));
  QByteArray line(1, ':');
  for (char c : bytes) appendHexByte(line, static_cast<std::uint8_t>(c));
  line.append('\n');
  return line;
}

QByteArray endRecord() {
  return record(0x01, 0, {});
}

}  // namespace tavrix::ChipHexFile
