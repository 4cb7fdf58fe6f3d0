#pragma once

#include <QString>
#include <QStringList>

#include <functional>

#include "link/Clock.h"
#include "link/Port.h"

namespace tavrix::test {

// A board for the engine's tests: decodes the data-line bytes back into ICSP commands, the way
// a chip samples them (bits on falling clock edges, LSB first, data frames of start, N bits,
// stop), answers read commands with words the test chooses, and logs sleeps. Log entries:
//   "ProgModeOn"        0x34, 10 ms, 0x08, 10 ms
//   "ProgModeOff"       0x24
//   "LoadProgData 2805" a data-out command and its data (4 hex digits)
//   "ReadProgData"      a data-in command (the answer went out on status bit 0x40)
//   "IncAddress", "BeginProg", "EndProg", "EraseSetup1", "EraseSetup2", "BulkEraseProg",
//   "Cmd 10"            other bare commands
//   "Sleep 10"          a wait outside the power-on pattern
//   "Bad ..."           anything that does not decode
class WireDecoder : public Port, public Clock {
 public:
  explicit WireDecoder(std::function<int()> wordWidth, QStringList* journal = nullptr);

  bool writeByte(std::uint8_t value) override;
  std::uint8_t readStatus() override;
  void sleepMs(int ms) override;
  std::int64_t nowUs() const override { return nowUs_; }

  // The word returned by the next read command, asked when its command bits are complete.
  // Default: the erased word 0x3FFF for program reads, 0xFF for EEPROM reads.
  std::function<quint32(int code)> answer;

  QStringList log;
  // Decoded commands of the given name since the last "IncAddress", counted from the log's end.
  int countSinceIncrement(const QString& name) const;

 private:
  void emitEntry(const QString& entry);
  void resetFrame();

  std::function<int()> wordWidth_;
  QStringList* journal_;
  std::int64_t nowUs_ = 0;
  std::uint8_t previous_ = 0x24;
  int powerStage_ = 0;
  int bitIndex_ = 0;
  int code_ = 0;
  int frameBits_ = 0;  // data-frame clocks expected after the command bits
  quint32 data_ = 0;
  quint32 readWord_ = 0;
  int readsDone_ = 0;
};

QString commandName(int code);

}  // namespace tavrix::test
