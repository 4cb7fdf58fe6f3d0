#include "image/HexReader.h"

#include <QFile>

#include <algorithm>

#include "device/FileNodes.h"
#include "device/Prompts.h"
#include "image/HexText.h"
#include "image/HexTexts.h"
#include "image/MemoryImage.h"

namespace tavrix {

namespace {

// The characters of `line` at positions pos .. pos + count - 1, counted from 1; only those
// present on the line.
QStringView at(QStringView line, qint64 pos, qint64 count) {
  const qint64 first = pos - 1;
  if (first < 0 || first >= line.size()) return {};
  return line.sliced(first, std::min<qint64>(count, line.size() - first));
}

// The value HexChecksum shows: the two's complement of the low byte of the groups' sum.
std::optional<unsigned> checksumValue(QStringView line, QString* failedGroup) {
  unsigned sum = 0;
  // At least one group is read, so a line of the start code alone fails on its empty group.
  qint64 pos = 2;
  do {
    const QStringView group = at(line, pos, 2);
    const auto value = parseHex(group);
    if (!value) {
      if (failedGroup) *failedGroup = group.toString();
      return std::nullopt;
    }
    sum += *value;
    pos += 2;
  } while (pos <= line.size());
  return (256 - sum % 256) % 256;
}

// The word cell's text: the high byte's pair, then the low byte's pair, as they stand in the
// file (either may be short on a short line).
QString wordText(QStringView high, QStringView low) {
  QString text(high.size() + low.size(), Qt::Uninitialized);
  QChar* out = text.data();
  for (QChar c : high) *out++ = c;
  for (QChar c : low) *out++ = c;
  return text;
}

// Reads a file line by line in large pieces, giving the lines QIODevice::readLine would give
// without a new array for each. A read error ends the lines where it happened (the caller
// asks the file for its error).
class LineReader {
 public:
  explicit LineReader(QFile& file) : file_(file) {}

  // The next line without its LF and with every CR dropped (CR LF ends a line like LF; a CR
  // anywhere else is dropped from the text), read as Latin-1. False at the end of the file.
  bool next(QString* line) {
    for (;;) {
      const qsizetype end = buffer_.indexOf('\n', scanned_);
      if (end >= 0) {
        take(end, line);
        start_ = scanned_ = end + 1;
        return true;
      }
      // Only what was not looked at yet is searched again: a long line is read once.
      buffer_.remove(0, start_);
      start_ = 0;
      scanned_ = buffer_.size();
      buffer_.resize(scanned_ + kPiece);
      const qint64 got = file_.read(buffer_.data() + scanned_, kPiece);
      buffer_.resize(scanned_ + std::max<qint64>(got, 0));
      if (got < 0) return false;
      if (got == 0) {
        if (buffer_.isEmpty()) return false;
        take(buffer_.size(), line);  // the last line has no LF
        buffer_.clear();
        scanned_ = 0;
        return true;
      }
    }
  }

 private:
  static constexpr qsizetype kPiece = 64 * 1024;

  void take(qsizetype end, QString* line) const {
    const char* bytes = buffer_.constData() + start_;
    const qsizetype size = end - start_;
    line->resize(size);
    QChar* out = line->data();
    for (qsizetype i = 0; i < size; ++i) {
      if (bytes[i] != '\r') *out++ = QChar(static_cast<uchar>(bytes[i]));
    }
    line->resize(out - line->constData());
  }

  QFile& file_;
  QByteArray buffer_;
  qsizetype start_ = 0;    // where the next line begins
  qsizetype scanned_ = 0;  // how far the buffer is known to hold no LF
};

// The questions of one load. Each question text is asked once; a later record of the same
// cause is answered as the first one was, without a box, and counted. When the load ends, one
// box per text that covered more than one record says how many records each cause covered:
// - checksum: OK once means every later bad checksum is loaded as if OK were chosen again (the
//   box counts them as loaded; one that another rule then skips is counted there too); Cancel
//   stops the reading, so the question cannot come back;
// - missing ":", unknown record type, out of range: the records are skipped whatever the answer,
//   as each would have been after its own box; the box counts them as not loaded;
// - a record that runs past the end of its area shares the out-of-range question (its words
//   beyond the area are dropped); the same box counts it apart, as loaded only in part.
class Questions {
 public:
  enum Cause { Checksum, MissingColon, UnknownType, OutOfRange, PastAreaEnd, kCauses };

  explicit Questions(Prompts& prompts) : prompts_(prompts) {}

  // True when the answer (the first one given to this text) is Cancel.
  bool ask(Cause cause) {
    ++counts_[cause];
    const QString text = question(cause);
    const qsizetype i = asked_.indexOf(text);
    if (i >= 0) return answers_[i];
    asked_ << text;
    answers_ << prompts_.AskOnError(text);
    return answers_.back();
  }

  // The closing boxes, in the order their questions were first asked.
  void tell() {
    for (const QString& text : asked_) {
      QStringList sentences;
      int covered = 0;
      for (int c = 0; c < kCauses; ++c) {
        if (counts_[c] == 0 || question(Cause(c)) != text) continue;
        sentences << tally(Cause(c), counts_[c]);
        covered += counts_[c];
      }
      if (covered > 1) prompts_.ShowSummary(texts::hexTally(sentences));
    }
  }

 private:
  static QString question(Cause cause) {
    switch (cause) {
      case Checksum:
        return texts::hexChecksumError();
      case MissingColon:
        return texts::hexMissingColon();
      case UnknownType:
        return texts::hexUnknownRecord();
      default:
        return texts::hexAddressOutOfRange();
    }
  }
  static QString tally(Cause cause, int n) {
    switch (cause) {
      case Checksum:
        return texts::hexChecksumTally(n);
      case MissingColon:
        return texts::hexMissingColonTally(n);
      case UnknownType:
        return texts::hexUnknownRecordTally(n);
      case OutOfRange:
        return texts::hexOutOfRangeTally(n);
      default:
        return texts::hexPastAreaEndTally(n);
    }
  }

  Prompts& prompts_;
  int counts_[kCauses] = {};
  QStringList asked_;
  QList<bool> answers_;
};

// One load: the two fill points and what each kind of record does to the image.
class Loader {
 public:
  enum class Next { Go, Stop, Abandon };

  Loader(MemoryImage& image, Prompts& prompts)
      : image_(image),
        prompts_(prompts),
        questions_(prompts),
        dev_(image.device()),
        progBlank_(hexText(blankWord(dev_), 4)),
        eeFill_(dev_.EEPromStart) {}

  Next line(QStringView line);
  // After the last line read: blank program memory and "FF" EEPROM past the fill points.
  void finish();
  // The closing boxes of the questions that covered more than one record.
  void tellQuestions() { questions_.tell(); }

 private:
  Next abandon(QStringView text) {
    prompts_.ShowError(notAnIntegerMessage(text));
    return Next::Abandon;
  }
  void blankProgram(qint64 from, qint64 to);
  void blankEEProm(qint64 from, qint64 to);
  void programRecord(QStringView line, qint64 a, qint64 n);
  void eepromRecord(QStringView line, qint64 a, qint64 n);
  Next configRecord(QStringView line, qint64 a, qint64 n);

  MemoryImage& image_;
  Prompts& prompts_;
  Questions questions_;
  const DeviceDef& dev_;
  const QString progBlank_;
  qint64 progFill_ = 0;  // word address
  qint64 eeFill_;        // word address, from EEPromStart
};

void Loader::blankProgram(qint64 from, qint64 to) {
  for (qint64 a = std::max<qint64>(from, 0); a < to; ++a) image_.setProgText(int(a), progBlank_);
}

void Loader::blankEEProm(qint64 from, qint64 to) {
  static const QString blank = QStringLiteral("FF");
  for (qint64 e = std::max<qint64>(from, 0); e < to; ++e) image_.setEeText(int(e), blank);
}

Loader::Next Loader::line(QStringView line) {
  if (line.isEmpty()) return Next::Go;
  // The end record is recognised by its type alone, before its start code or checksum.
  if (at(line, 8, 2) == u"01") return Next::Stop;

  QString failed;
  const auto sum = checksumValue(line, &failed);
  if (!sum) return abandon(failed);
  if (*sum != 0 && questions_.ask(Questions::Checksum)) return Next::Stop;

  if (line.front() != u':') {
    questions_.ask(Questions::MissingColon);
    return Next::Go;
  }
  if (at(line, 8, 2) != u"00") {
    questions_.ask(Questions::UnknownType);
    return Next::Go;
  }
  const QStringView lengthText = at(line, 2, 2);
  const QStringView addressText = at(line, 4, 4);
  const auto length = parseHex(lengthText);
  if (!length) return abandon(lengthText);
  const auto address = parseHex(addressText);
  if (!address) return abandon(addressText);
  const qint64 a = *address / 2;
  const qint64 n = *length / 2;

  if (a < dev_.ProgMem) {
    programRecord(line, a, n);
  } else if (a >= dev_.ConfigStart && a < qint64{dev_.ConfigStart} + 8) {
    return configRecord(line, a, n);
  } else if (a >= dev_.EEPromStart && a < qint64{dev_.EEPromStart} + dev_.EEProm) {
    eepromRecord(line, a, n);
  } else {
    questions_.ask(Questions::OutOfRange);
  }
  return Next::Go;
}

void Loader::programRecord(QStringView line, qint64 a, qint64 n) {
  if (a > progFill_) blankProgram(progFill_, a);
  // Words past the end of program memory have no cell: they are dropped and the record is
  // reported, so ProgEnd never exceeds ProgMem.
  const qint64 end = std::min<qint64>(a + n, dev_.ProgMem);
  for (qint64 k = 0; a + k < end; ++k) {
    // High byte's pair, then low byte's pair, as the characters stand in the file.
    image_.setProgText(int(a + k), wordText(at(line, 12 + 4 * k, 2), at(line, 10 + 4 * k, 2)));
  }
  progFill_ = std::max(progFill_, end);
  image_.setProgEnd(int(progFill_));
  if (a + n > dev_.ProgMem) questions_.ask(Questions::PastAreaEnd);
}

void Loader::eepromRecord(QStringView line, qint64 a, qint64 n) {
  const qint64 start = dev_.EEPromStart;
  if (a > eeFill_) blankEEProm(eeFill_ - start, a - start);
  // Bytes past the end of the EEPROM are dropped and reported, as for program memory.
  const qint64 end = std::min<qint64>(a + n, start + dev_.EEProm);
  for (qint64 k = 0; a + k < end; ++k)
    image_.setEeText(int(a - start + k), at(line, 10 + 4 * k, 2).toString());
  eeFill_ = std::max(eeFill_, end);
  image_.setEEPromEnd(int(eeFill_ - start));
  if (a + n > start + dev_.EEProm) questions_.ask(Questions::PastAreaEnd);
}

Loader::Next Loader::configRecord(QStringView line, qint64 a, qint64 n) {
  for (qint64 k = 0; k < n; ++k) {
    const qint64 slot = a + k - dev_.ConfigStart;
    if (slot > 7) break;
    if (slot <= 3) {
      // The ID location's lowest 4 bits: the second digit of the word's low byte. A digit the
      // line is too short to hold leaves the identifier's digit as it was.
      const QStringView d = at(line, 11 + 4 * k, 1);
      if (d.isEmpty()) continue;
      const auto digit = parseHex(d);
      if (!digit) return abandon(d);
      const int shift = int(4 * (3 - slot));
      const qint64 current = image_.ReadIdent();
      image_.ShowIdent((current & ~(qint64{0xF} << shift)) | (qint64{*digit} << shift));
    } else if (slot == 7) {
      const QString word = wordText(at(line, 12 + 4 * k, 2), at(line, 10 + 4 * k, 2));
      const auto value = parseHex(word);
      if (!value) return abandon(word);
      image_.SetPalConf(*value);
    }
  }
  return Next::Go;
}

void Loader::finish() {
  blankProgram(progFill_, dev_.ProgMem);
  blankEEProm(eeFill_ - dev_.EEPromStart, dev_.EEProm);
}

}  // namespace

std::optional<QString> HexChecksum(QStringView line, QString* failedGroup) {
  const auto value = checksumValue(line, failedGroup);
  if (!value) return std::nullopt;
  return hexText(*value, 2);
}

HexLoad ReadHexFile(const QString& path, MemoryImage& image, Prompts& prompts,
                    const HexFileOpened& opened, const HexFileLoaded& loaded) {
  QFile file;
  if (!openRegularFile(path, file)) {
    prompts.AskOnError(texts::hexCannotRead());
    return HexLoad::NotOpened;
  }
  if (opened) opened(path);
  image.ShowIdent(0xFFFF);
  image.setProgEnd(0);
  image.setEEPromEnd(0);
  image.ResetProgramGrid();

  Loader loader(image, prompts);
  const HexLoad result = [&] {
    LineReader lines(file);
    QString line;
    while (lines.next(&line)) {
      const Loader::Next next = loader.line(line);
      if (next == Loader::Next::Abandon) return HexLoad::Abandoned;
      if (next == Loader::Next::Stop) break;
    }
    if (file.error() != QFileDevice::NoError) {
      // A read error is not an end of file: the load is abandoned like one that stops at a text.
      prompts.ShowError(file.errorString() + QLatin1Char('.'));
      return HexLoad::Abandoned;
    }
    loader.finish();
    return HexLoad::Completed;
  }();
  file.close();
  if (result == HexLoad::Completed && loaded) loaded();
  // An abandoned load still tells what its questions covered up to the line it stopped at.
  loader.tellQuestions();
  return result;
}

}  // namespace tavrix
