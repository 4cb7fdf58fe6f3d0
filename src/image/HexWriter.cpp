#include "image/HexWriter.h"

#include "files/FileNames.h"
#include "files/FileSave.h"
#include "image/HexReader.h"
#include "image/HexText.h"
#include "image/HexTexts.h"
#include "image/MemoryImage.h"
#include "image/Prompts.h"

namespace tavrix {

namespace {

// Highest byte address a record's 4-digit address field and 16-bit data offset can reach.
constexpr qint64 kLastByteAddress = 0xFFFF;
// Word address of the identifier record (byte address 0x4000), the configuration word is at + 7.
constexpr qint64 kFixedConfigWord = 0x2000;

// A cell of exactly `digits` hexadecimal digits is written as it stands, letter case kept.
// Any other text that reads as a value up to `max` is written as that value in `digits`
// upper-case digits, so the record's data always match its length; anything else cannot be
// written. The value, or nothing; `asIs` tells whether the text itself is written.
std::optional<quint32> cellDigits(const QString& text, int digits, qint64 max, bool* asIs) {
  const auto value = parseHex(text);
  if (!value) return std::nullopt;
  *asIs = text.size() == digits;
  if (!*asIs && *value > max) return std::nullopt;
  return value;
}

// Appends the record's checksum and its LF. False with the failing group when it cannot.
bool finishRecord(QString& line, QByteArray& out, QString* failedGroup) {
  const auto sum = HexChecksum(line, failedGroup);
  if (!sum) return false;
  out += line.toLatin1();
  out += sum->toLatin1();
  out += '\n';
  return true;
}

// A record written straight into the file's bytes, its checksum summed as it goes. Every field
// it is given is hexadecimal digits, so the checksum always reads.
class Record {
 public:
  // `dataBytes` is the record's length field: the bytes of data that follow.
  Record(QByteArray& out, qint64 dataBytes, qint64 byteAddress) : out_(out) {
    // ':' + 4 header bytes + the data + the checksum, two digits a byte, then LF.
    const qsizetype at = out_.size();
    out_.resize(at + 1 + 2 * (4 + dataBytes + 1) + 1);
    next_ = out_.data() + at;
    *next_++ = ':';
    addByte(dataBytes);
    addByte(byteAddress >> 8);
    addByte(byteAddress);
    addByte(0);  // data record
  }
  void addByte(qint64 value) {
    const unsigned byte = unsigned(value) & 0xFF;
    *next_++ = kDigits[byte >> 4];
    *next_++ = kDigits[byte & 0xF];
    sum_ += byte;
  }
  // Two digits of a cell as they stand (either letter case) and the byte they read as.
  void addDigits(QChar high, QChar low, unsigned byte) {
    *next_++ = char(high.unicode());
    *next_++ = char(low.unicode());
    sum_ += byte & 0xFF;
  }
  void finish() {
    addByte((256 - sum_ % 256) % 256);
    *next_++ = '\n';
  }

 private:
  static constexpr char kDigits[] = "0123456789ABCDEF";
  QByteArray& out_;
  char* next_;
  unsigned sum_ = 0;
};

struct Areas {
  QByteArray program;
  QByteArray eeprom;
};

// Program and EEPROM records, built from the cells alone before the file is touched.
std::optional<Areas> areaRecords(const MemoryImage& image, QString* refusal) {
  const DeviceDef& dev = image.device();
  const qint64 progMem = std::max(dev.ProgMem, 0);
  const qint64 eeProm = std::max(dev.EEProm, 0);
  // Devices whose byte addresses need more than 4 digits are refused rather than written with
  // address fields that would not read back.
  if (2 * progMem - 1 > kLastByteAddress ||
      (eeProm > 0 &&
       (dev.EEPromStart < 0 || 2 * (dev.EEPromStart + eeProm) - 1 > kLastByteAddress))) {
    *refusal = texts::hexDeviceTooLarge(dev.Name);
    return std::nullopt;
  }
  // So are devices whose areas would share addresses with each other or with the fixed
  // identifier and configuration records: one record would overwrite another when read back.
  const qint64 eeStart = dev.EEPromStart;
  if (progMem > kFixedConfigWord ||
      (eeProm > 0 && (eeStart < progMem ||
                      (eeStart < kFixedConfigWord + 8 && eeStart + eeProm > kFixedConfigWord)))) {
    *refusal = texts::hexDeviceOverlap(dev.Name);
    return std::nullopt;
  }
  // A short program cell must also fit the device's word; a 4-digit one is copied as it is.
  const qint64 wordMax = dev.ProgBits >= 1 && dev.ProgBits <= 16 ? blankWord(dev) : 0xFFFF;

  Areas out;
  out.program.reserve(progMem / 16 * 76 + 76);
  for (qint64 p = 0; p < progMem; p += 16) {
    const qint64 n = std::min<qint64>(16, progMem - p);
    Record record(out.program, 2 * n, 2 * p);
    for (qint64 a = p; a < p + n; ++a) {
      const QString cell = image.progText(int(a));
      bool asIs = false;
      const auto value = cellDigits(cell, 4, wordMax, &asIs);
      if (!value) {
        *refusal = texts::hexBadProgramCell(hexText(a, 4), cell);
        return std::nullopt;
      }
      // Low byte first.
      if (asIs) {
        record.addDigits(cell[2], cell[3], *value);
        record.addDigits(cell[0], cell[1], *value >> 8);
      } else {
        record.addByte(*value);
        record.addByte(*value >> 8);
      }
    }
    record.finish();
  }
  out.eeprom.reserve(eeProm / 16 * 76 + 76);
  for (qint64 p = 0; p < eeProm; p += 16) {
    const qint64 n = std::min<qint64>(16, eeProm - p);
    Record record(out.eeprom, 2 * n, 2 * (dev.EEPromStart + p));
    for (qint64 e = p; e < p + n; ++e) {
      const QString cell = image.eeText(int(e));
      bool asIs = false;
      const auto value = cellDigits(cell, 2, 0xFF, &asIs);
      if (!value) {
        *refusal = texts::hexBadEEPromCell(hexText(e, 4), cell);
        return std::nullopt;
      }
      if (asIs)
        record.addDigits(cell[0], cell[1], *value);
      else
        record.addByte(*value);
      record.addByte(0);
    }
    record.finish();
  }
  return out;
}

// The identifier and configuration-word records, always at byte addresses 0x4000 and 0x400E.
std::optional<QByteArray> configRecords(MemoryImage& image, QString* failedGroup) {
  QByteArray out;
  QString ident = QStringLiteral(":08400000");
  for (int shift : {12, 8, 4, 0}) {
    // The box is read once per digit, as each digit is written.
    ident += hexText((image.ReadIdent() >> shift) & 0xF, 2);
    ident += QStringLiteral("00");
  }
  if (!finishRecord(ident, out, failedGroup)) return std::nullopt;
  const int w = image.GetPalConf();
  QString conf = QStringLiteral(":02400E00") + hexText(w % 256, 2) + hexText(w / 256, 2);
  if (!finishRecord(conf, out, failedGroup)) return std::nullopt;
  return out;
}

}  // namespace

std::optional<QByteArray> hexFileText(MemoryImage& image, QString* refusal) {
  QString reason;
  QString failed;
  const auto areas = areaRecords(image, &reason);
  std::optional<QByteArray> config;
  if (areas) config = configRecords(image, &failed);
  if (!areas || !config) {
    if (refusal) *refusal = reason.isEmpty() ? notAnIntegerMessage(failed) : reason;
    return std::nullopt;
  }
  return areas->program + *config + areas->eeprom + QByteArrayLiteral(":00000001FF\n");
}

HexSave WriteHexFile(const QString& path, MemoryImage& image, Prompts& prompts) {
  QString refusal;
  QString failed;
  // Cells and device are checked before the file is created, so a refused save touches nothing.
  const auto areas = areaRecords(image, &refusal);
  if (!areas) {
    prompts.ShowError(refusal);
    return HexSave::Refused;
  }

  // The new text goes to a new file that replaces the old one only once it is complete; a
  // character device (/dev/null, /dev/full) is written in place. A link another user planted
  // in a shared folder is not followed.
  FileSave file;
  QString reason;
  if (!file.open(path, &reason)) {
    prompts.AskOnError(texts::hexCannotCreate(visibleName(path), reason));
    return HexSave::NotCreated;
  }
  const std::optional<QByteArray> config = configRecords(image, &failed);
  if (!config) {
    file.cancel();
    prompts.ShowError(notAnIntegerMessage(failed));
    return HexSave::Refused;
  }
  const QByteArray text =
      areas->program + *config + areas->eeprom + QByteArrayLiteral(":00000001FF\n");
  // A full disk is reported with the system's own text.
  if (!file.write(text, &reason) || !file.commit(&reason)) {
    file.cancel();
    prompts.ShowError(reason + QLatin1Char('.'));
    return HexSave::Failed;
  }
  return HexSave::Saved;
}

}  // namespace tavrix
