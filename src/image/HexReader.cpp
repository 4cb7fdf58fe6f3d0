#include "image/HexReader.h"

#include <QFile>

#include <algorithm>

#include "device/FileNodes.h"
#include "device/Prompts.h"
#include "image/HexText.h"
#include "image/HexTexts.h"
#include "image/LineReader.h"
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
// file.
QString wordText(QStringView high, QStringView low) {
  QString text(high.size() + low.size(), Qt::Uninitialized);
  QChar* out = text.data();
  for (QChar c : high) *out++ = c;
  for (QChar c : low) *out++ = c;
  return text;
}

// A line's text as the reader sees it: read as Latin-1, with every CR dropped (CR LF ends a line
// like LF; a CR anywhere else is dropped from the text).
void lineText(QByteArrayView bytes, QString* line) {
  line->resize(bytes.size());
  QChar* out = line->data();
  for (char c : bytes) {
    if (c != '\r') *out++ = QChar(static_cast<uchar>(c));
  }
  line->resize(out - line->constData());
}

// The questions of one load. Each question text is asked once; a later line of the same cause
// is answered as the first one was, without a box. Every line that raised a question is counted
// under the one cause that decided what became of it, and when the load ends, one box per text
// that was answered for more than one line says how many lines each of its causes covered:
// - checksum: OK once means every later bad checksum is loaded as if OK were chosen again; a
//   line that another rule then skips, or loads only in part, is counted under that rule only.
//   Cancel stops the reading, so the question cannot come back;
// - missing ":", unknown record type, a record shorter than its length, a line too long, out of
//   range: the lines are skipped whatever the answer, as each would have been after its own box;
//   the box counts them as not loaded;
// - a record that runs past the end of its area shares the out-of-range question (its words
//   beyond the area are dropped); the same box counts it apart, as loaded only in part.
class Questions {
 public:
  enum Cause {
    Checksum,
    MissingColon,
    UnknownType,
    ShortRecord,
    LongLine,
    OutOfRange,
    PastAreaEnd,
    kCauses
  };

  explicit Questions(Prompts& prompts) : prompts_(prompts) {}

  // True when the answer (the first one given to this text) is Cancel.
  bool ask(Cause cause) {
    const QString text = question(cause);
    const qsizetype i = asked_.indexOf(text);
    if (i >= 0) {
      ++uses_[i];
      return answers_[i];
    }
    asked_ << text;
    uses_ << 1;
    answers_ << prompts_.AskOnError(text);
    return answers_.back();
  }

  // The line just read goes in the closing count of `cause`.
  void count(Cause cause) { ++counts_[cause]; }

  // The closing boxes, in the order their questions were first asked.
  void tell() {
    for (qsizetype i = 0; i < asked_.size(); ++i) {
      if (uses_[i] < 2) continue;  // its own box said all there was
      QStringList sentences;
      for (int c = 0; c < kCauses; ++c)
        if (counts_[c] > 0 && question(Cause(c)) == asked_[i])
          sentences << tally(Cause(c), counts_[c]);
      if (!sentences.isEmpty()) prompts_.ShowSummary(texts::hexTally(sentences));
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
      case ShortRecord:
        return texts::hexShortRecord();
      case LongLine:
        return texts::hexLongLine();
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
      case ShortRecord:
        return texts::hexShortRecordTally(n);
      case LongLine:
        return texts::hexLongLineTally(n);
      case OutOfRange:
        return texts::hexOutOfRangeTally(n);
      default:
        return texts::hexPastAreaEndTally(n);
    }
  }

  Prompts& prompts_;
  int counts_[kCauses] = {};
  QStringList asked_;
  QList<int> uses_;
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

  // One line; `cut` when it was longer than LineReader::kMaxLine and only its start is given.
  Next line(QStringView line, bool cut);
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
  // Each false when the record ran past the end of its area.
  bool programRecord(QStringView line, qint64 a, qint64 n);
  bool eepromRecord(QStringView line, qint64 a, qint64 n);
  // Asks the question of `cause` and counts the line under it; the line is skipped.
  Next skip(Questions::Cause cause) {
    questions_.ask(cause);
    questions_.count(cause);
    return Next::Go;
  }
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

Loader::Next Loader::line(QStringView line, bool cut) {
  if (line.isEmpty()) return Next::Go;
  // The end record is recognised by its type alone, before its start code or checksum.
  if (at(line, 8, 2) == u"01") return Next::Stop;
  // No record is that long, and the line was not held whole to be summed.
  if (cut) return skip(Questions::LongLine);

  QString failed;
  const auto sum = checksumValue(line, &failed);
  if (!sum) return abandon(failed);
  const bool badSum = *sum != 0;
  if (badSum && questions_.ask(Questions::Checksum)) return Next::Stop;

  if (line.front() != u':') return skip(Questions::MissingColon);
  if (at(line, 8, 2) != u"00") return skip(Questions::UnknownType);
  // Both fields were summed above, so they are hexadecimal.
  const QStringView lengthText = at(line, 2, 2);
  const QStringView addressText = at(line, 4, 4);
  const auto length = parseHex(lengthText);
  if (!length) return abandon(lengthText);
  const auto address = parseHex(addressText);
  if (!address) return abandon(addressText);
  // A line cut short (its last bytes may even pass as the checksum) is not stored in part.
  if (line.size() < 11 + 2 * qint64{*length}) return skip(Questions::ShortRecord);
  const qint64 a = *address / 2;
  const qint64 n = *length / 2;

  bool whole = true;
  if (a < dev_.ProgMem) {
    whole = programRecord(line, a, n);
  } else if (a >= dev_.ConfigStart && a < qint64{dev_.ConfigStart} + 8) {
    if (const Next next = configRecord(line, a, n); next != Next::Go) return next;
  } else if (a >= dev_.EEPromStart && a < qint64{dev_.EEPromStart} + dev_.EEProm) {
    whole = eepromRecord(line, a, n);
  } else {
    return skip(Questions::OutOfRange);
  }
  if (!whole) return skip(Questions::PastAreaEnd);
  if (badSum) questions_.count(Questions::Checksum);
  return Next::Go;
}

bool Loader::programRecord(QStringView line, qint64 a, qint64 n) {
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
  return a + n <= dev_.ProgMem;
}

bool Loader::eepromRecord(QStringView line, qint64 a, qint64 n) {
  const qint64 start = dev_.EEPromStart;
  if (a > eeFill_) blankEEProm(eeFill_ - start, a - start);
  // Bytes past the end of the EEPROM are dropped and reported, as for program memory.
  const qint64 end = std::min<qint64>(a + n, start + dev_.EEProm);
  for (qint64 k = 0; a + k < end; ++k)
    image_.setEeText(int(a - start + k), at(line, 10 + 4 * k, 2).toString());
  eeFill_ = std::max(eeFill_, end);
  image_.setEEPromEnd(int(eeFill_ - start));
  return a + n <= start + dev_.EEProm;
}

Loader::Next Loader::configRecord(QStringView line, qint64 a, qint64 n) {
  for (qint64 k = 0; k < n; ++k) {
    const qint64 slot = a + k - dev_.ConfigStart;
    if (slot > 7) break;
    if (slot <= 3) {
      // The ID location's lowest 4 bits: the second digit of the word's low byte.
      const QStringView d = at(line, 11 + 4 * k, 1);
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
    QByteArrayView bytes;
    bool cut = false;
    QString line;
    while (lines.next(&bytes, &cut)) {
      lineText(bytes, &line);
      const Loader::Next next = loader.line(line, cut);
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
