#pragma once

#include <QString>

#include <cstdint>

#include "device/DeviceDef.h"

namespace tavrix {

class Link;
class MemoryImage;
class OperationHost;
class Prompts;

// What a run does with the chip; the codes are the program's own (3 is unused).
enum OperationKind : int { OpRead = 0, OpWrite = 1, OpVerify = 2, OpBlankCheck = 4 };

// The word the progress window shows for a kind: "Leyendo", "Escribiendo", ...
QString actionWord(OperationKind kind);

// The programming engine: walks program memory, ID locations, configuration word and data
// EEPROM for one read, write, verify or blank check, word by word through the link. It holds
// references only; everything it needs is read afresh when a run reaches it, so a front end may
// build one per command.
class Engine {
 public:
  Engine(DeviceContext& devices, MemoryImage& image, Link& link, Prompts& prompts,
         OperationHost& host);

  // One run over the areas the host's scope allows. True when the run reached its end (with or
  // without reported discrepancies), false when the user chose Cancel in an error box.
  bool RunOperation(OperationKind kind);

  // Programs one word at the chip's address counter with the current device's algorithm.
  // `address` is the walk's address within its area; only its parity matters ("Flash1" pairs).
  void ProgramWord(qint64 address, qint64 value);

  // True when the port refused a write during the last run: the run was stopped and the user
  // told that the port cannot be reached.
  bool portFailed() const { return portFailed_; }
  // True when the last run was stopped without a question: the front end asked for it, or a
  // stop signal released the board.
  bool stoppedWithoutQuestion() const { return hostStopped_; }

  DeviceContext& devices() { return devices_; }
  const DeviceDef& device() const { return devices_.CurrentDevice; }
  MemoryImage& image() { return image_; }
  Link& link() { return link_; }
  Prompts& prompts() { return prompts_; }
  OperationHost& host() { return host_; }

  // Erased value of program, ID and configuration words in a blank check.
  static constexpr qint64 kErasedWord = 0x3FFF;
  static constexpr qint64 kErasedByte = 0xFF;
  static constexpr qint64 kIdWordBase = 0x3F80;

 private:
  std::int32_t send(int code, std::uint32_t data = 0);
  // A "Flash1" programming cycle for the word pair the address counter points at.
  void programPair();
  // One "OTP" pulse: load, begin, 1 ms, end.
  void otpPulse(qint64 value);
  // Reports a discrepancy; true when the user chose Cancel, after which the chip is taken out
  // of programming mode.
  bool reportStops(const QString& text);
  // True, after telling the user, when the port refused a write since the run began; what was
  // read then did not come from the chip. True as well, with nothing told, when the host asks
  // for the run to stop or a stop signal released the board; the chip is then taken out of
  // programming mode as after a Cancel.
  bool portStops();

  // Counts a word the run read from the chip; `blank` is the area's erased value.
  void tally(qint64 word, qint64 blank);
  // At the end of a run whose reads cannot be told from an empty socket (every word 0000, or a
  // read or blank check that found only erased words), on a device with an identification
  // word: reads that word, and when no chip answers (0000 or 3FFF) says so instead of the
  // completion. True when the run must not claim success.
  bool noChipAnswers(OperationKind kind);

  bool programPass(OperationKind kind, const QString& action, qint64 maxWord);
  bool identPass(OperationKind kind, const QString& action);
  bool configPass(OperationKind kind, const QString& action);
  bool eepromPass(OperationKind kind, const QString& action);

  DeviceContext& devices_;
  MemoryImage& image_;
  Link& link_;
  Prompts& prompts_;
  OperationHost& host_;
  std::uint64_t failedWritesBefore_ = 0;
  bool portFailed_ = false;
  bool hostStopped_ = false;
  // What the run's reads found.
  qint64 wordsRead_ = 0;
  bool allZero_ = true;
  bool allBlank_ = true;
};

}  // namespace tavrix
