#include "sim/ChipHexFile.h"

#include <QBuffer>
#include <QIODevice>

#include "sim/SimTexts.h"

namespace tavrix::ChipHexFile {

namespace {

// The longest record: ':', then length, address, type, 255 data bytes and the checksum as
// hexadecimal digits, a CR and the LF. A line that reaches this buffer's size is no record.
constexpr qsizetype kLongestRecord = 1 + 2 * (1 + 2 + 1 + 255 + 1) + 2;
constexpr qsizetype kLineBuffer = 2 * kLongestRecord;

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

enum class LineKind { Skip, Data, End, Bad };

LineKind bad(QString* error, const QString& message) {
  fail(error, message);
  return LineKind::Bad;
}

// One line, without its LF: its record, or why it is no record. `cut` when the line went on
// past the buffer.
LineKind parseLine(QByteArrayView line, bool cut, int lineNo, HexRecord* r, QString* error) {
  if (line.endsWith('\r')) line.chop(1);
  if (line.isEmpty() && !cut) return LineKind::Skip;
  if (line[0] != ':') return bad(error, texts::hexNoColon(lineNo));
  if (cut) return bad(error, texts::hexLongLine(lineNo));
  const QByteArrayView digits = line.sliced(1);
  if (digits.size() % 2 != 0) return bad(error, texts::hexOddDigits(lineNo));
  QByteArray bytes;
  bytes.reserve(digits.size() / 2);
  for (qsizetype k = 0; k < digits.size(); k += 2) {
    const int high = hexDigit(digits[k]);
    const int low = hexDigit(digits[k + 1]);
    if (high < 0 || low < 0) return bad(error, texts::hexBadDigit(lineNo));
    bytes.append(static_cast<char>(high * 16 + low));
  }
  if (bytes.size() < 5) return bad(error, texts::hexShortRecord(lineNo));
  const int length = static_cast<std::uint8_t>(bytes[0]);
  if (bytes.size() != length + 5) return bad(error, texts::hexBadLength(lineNo));
  if (checksum(bytes.left(bytes.size() - 1)) != static_cast<std::uint8_t>(bytes.back()))
    return bad(error, texts::hexBadChecksum(lineNo));

  r->line = lineNo;
  r->address = static_cast<std::uint16_t>((static_cast<std::uint8_t>(bytes[1]) << 8) |
                                          static_cast<std::uint8_t>(bytes[2]));
  r->type = static_cast<std::uint8_t>(bytes[3]);
  r->data = bytes.mid(4, length);
  switch (r->type) {
    case 0x00:
      if (r->address + length > 0x10000) return bad(error, texts::hexPastEnd(lineNo));
      return LineKind::Data;
    case 0x01:
      if (length != 0) return bad(error, texts::hexBadLength(lineNo));
      return LineKind::End;
    case 0x02:
    case 0x04:
      // A segment or upper address of 0 leaves every address as it is; anything else would
      // place data beyond the 64 KB this file can hold.
      if (length != 2 || r->data != QByteArray(2, '\0'))
        return bad(error, texts::hexBadType(lineNo, r->type));
      return LineKind::Skip;
    default:
      return bad(error, texts::hexBadType(lineNo, r->type));
  }
}

}  // namespace

std::uint8_t checksum(const QByteArray& recordBytes) {
  std::uint8_t sum = 0;
  for (char c : recordBytes) sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
  return static_cast<std::uint8_t>(0x100 - sum);
}

bool read(QIODevice& in, const DataRecordHandler& onData, QString* error) {
  char buffer[kLineBuffer];
  for (int lineNo = 1;; ++lineNo) {
    const qint64 n = in.readLine(buffer, kLineBuffer);
    if (n < 0) break;  // the end of the file (or a read error): no end record was met
    QByteArrayView line(buffer, n);
    const bool ended = line.endsWith('\n');
    if (ended) line.chop(1);
    const bool cut = !ended && n == kLineBuffer - 1 && !in.atEnd();
    HexRecord r;
    switch (parseLine(line, cut, lineNo, &r, error)) {
      case LineKind::Skip:
        break;
      case LineKind::Data:
        if (!onData(r, error)) return false;
        break;
      case LineKind::End:
        return true;  // anything after it is ignored, as every reader of these files does
      case LineKind::Bad:
        return false;
    }
    if (n == 0) break;
  }
  return fail(error, texts::hexNoEnd());
}

bool parse(const QByteArray& text, std::vector<HexRecord>* records, QString* error) {
  QBuffer in;
  in.setData(text);
  in.open(QIODevice::ReadOnly);
  std::vector<HexRecord> result;
  const bool ok = read(
      in,
      [&result](const HexRecord& r, QString*) {
        result.push_back(r);
        return true;
      },
      error);
  if (ok && records) *records = std::move(result);
  return ok;
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
