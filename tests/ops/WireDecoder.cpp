#include "WireDecoder.h"

#include "image/HexText.h"

namespace tavrix::test {

QString commandName(int code) {
  switch (code) {
    case 0:
      return QStringLiteral("LoadConfig");
    case 1:
      return QStringLiteral("EraseSetup1");
    case 2:
      return QStringLiteral("LoadProgData");
    case 3:
      return QStringLiteral("LoadEEData");
    case 4:
      return QStringLiteral("ReadProgData");
    case 5:
      return QStringLiteral("ReadEEData");
    case 6:
      return QStringLiteral("IncAddress");
    case 7:
      return QStringLiteral("EraseSetup2");
    case 8:
      return QStringLiteral("BeginProg");
    case 9:
      return QStringLiteral("BulkEraseProg");
    case 14:
      return QStringLiteral("EndProg");
    default:
      return QStringLiteral("Cmd %1").arg(code);
  }
}

WireDecoder::WireDecoder(std::function<int()> wordWidth, QStringList* journal)
    : wordWidth_(std::move(wordWidth)), journal_(journal) {}

void WireDecoder::emitEntry(const QString& entry) {
  log.append(entry);
  if (journal_) journal_->append(entry);
}

void WireDecoder::resetFrame() {
  bitIndex_ = 0;
  code_ = 0;
  frameBits_ = 0;
  data_ = 0;
}

int WireDecoder::countSinceIncrement(const QString& name) const {
  int n = 0;
  for (qsizetype i = log.size() - 1; i >= 0 && log[i] != QLatin1String("IncAddress"); --i)
    if (log[i] == name || log[i].startsWith(name + QLatin1Char(' '))) ++n;
  return n;
}

bool WireDecoder::writeByte(std::uint8_t value) {
  const std::uint8_t before = previous_;
  previous_ = value;
  if (value == 0x34 || value == 0x24) {
    if (bitIndex_ != 0) emitEntry(QStringLiteral("Bad truncated frame"));
    if (powerStage_ != 0) emitEntry(QStringLiteral("Bad power-on"));
    resetFrame();
    powerStage_ = 0;
    if (value == 0x34)
      powerStage_ = 1;
    else
      emitEntry(QStringLiteral("ProgModeOff"));
    return true;
  }
  if (powerStage_ == 2 && value == 0x08) {
    powerStage_ = 3;
    return true;
  }
  if (powerStage_ != 0) {
    emitEntry(QStringLiteral("Bad power-on"));
    powerStage_ = 0;
  }
  if (value & 0xF0) {
    emitEntry(QStringLiteral("Bad byte %1").arg(hexText(value, 2)));
    return true;
  }
  // The chip latches PGD on the falling clock edge.
  if (!((before & 0x02) && !(value & 0x02))) return true;
  const int bit = value & 0x01;
  if (bitIndex_ < 6) {
    code_ |= bit << bitIndex_;
    ++bitIndex_;
    if (bitIndex_ < 6) return true;
    const int n = wordWidth_();
    if (code_ == 0 || code_ == 2 || code_ == 3) {
      frameBits_ = n + 2;
    } else if (code_ == 4 || code_ == 5) {
      frameBits_ = n + 2;
      readsDone_ = 0;
      if (answer)
        readWord_ = answer(code_);
      else
        readWord_ = code_ == 4 ? 0x3FFF : 0xFF;
    } else {
      emitEntry(commandName(code_));
      resetFrame();
    }
    return true;
  }
  // Data frame: clock 0 is the start bit, clocks 1..N the data, the last one the stop bit.
  const int clock = bitIndex_ - 6;
  const int n = frameBits_ - 2;
  if (code_ <= 3 && clock >= 1 && clock <= n) data_ |= quint32(bit) << (clock - 1);
  if (code_ >= 4 && !(value & 0x04)) emitEntry(QStringLiteral("Bad read frame"));
  ++bitIndex_;
  if (clock + 1 == frameBits_) {
    if (code_ <= 3)
      emitEntry(commandName(code_) + QLatin1Char(' ') + hexText(data_, 4));
    else
      emitEntry(commandName(code_));
    resetFrame();
  }
  return true;
}

std::uint8_t WireDecoder::readStatus() {
  // The chip drives bit k of its word during data clock k + 1; the host samples it afterwards.
  const int k = readsDone_++;
  return (readWord_ >> k) & 1u ? 0x40 : 0x00;
}

void WireDecoder::sleepMs(int ms) {
  nowUs_ += std::int64_t{ms} * 1000;
  if (powerStage_ == 1 && ms == 10) {
    powerStage_ = 2;
    return;
  }
  if (powerStage_ == 3 && ms == 10) {
    powerStage_ = 0;
    emitEntry(QStringLiteral("ProgModeOn"));
    return;
  }
  if (powerStage_ != 0) {
    emitEntry(QStringLiteral("Bad power-on"));
    powerStage_ = 0;
  }
  emitEntry(QStringLiteral("Sleep %1").arg(ms));
}

}  // namespace tavrix::test
