#include "ops/Engine.h"

#include "image/MemoryImage.h"
#include "image/Prompts.h"
#include "link/Link.h"
#include "link/LinkTexts.h"
#include "link/StopSignals.h"
#include "ops/ChipIdentity.h"
#include "ops/OpTexts.h"
#include "ops/OperationHost.h"

namespace tavrix {

namespace {

// Programming waits, in milliseconds.
constexpr int kFlashWait16F62 = 2;
constexpr int kFlashWait = 10;
constexpr int kPairWait = 2;
constexpr int kOtpPulse = 1;
constexpr int kEepromWait = 10;

// An "OTP" cell gets at most this many verified pulses before the engine gives up on it.
constexpr int kOtpTries = 25;
// Added to the pulse counter when a word reads back right, so that a counter above it tells
// both that the word took and after how many pulses.
constexpr int kOtpVerified = 101;

constexpr int kIdLocations = 4;
// ID locations 0x2000-0x2003, then 0x2004-0x2006 up to the configuration word at 0x2007.
constexpr int kStepsToConfigWord = 3;
constexpr qint64 kConfigAddress = 7;

}  // namespace

QString actionWord(OperationKind kind) {
  switch (kind) {
    case OpRead:
      return texts::actionRead();
    case OpWrite:
      return texts::actionWrite();
    case OpVerify:
      return texts::actionVerify();
    case OpBlankCheck:
      break;
  }
  return texts::actionBlankCheck();
}

Engine::Engine(DeviceContext& devices, MemoryImage& image, Link& link, Prompts& prompts,
               OperationHost& host)
    : devices_(devices), image_(image), link_(link), prompts_(prompts), host_(host) {}

std::int32_t Engine::send(int code, std::uint32_t data) {
  return link_.SendCommand(code, data);
}

bool Engine::reportStops(const QString& text) {
  if (!prompts_.AskOnError(text)) return false;
  // A stopped run still leaves programming mode, so the chip is not left under VPP.
  send(CmdProgModeOff);
  return true;
}

bool Engine::portStops() {
  if (portFailed_ || hostStopped_) return true;
  // A stop signal cut the chip's supply: what it was doing cannot go on.
  if (host_.stopRequested() || StopSignals::boardReleased()) {
    hostStopped_ = true;
    send(CmdProgModeOff);
    return true;
  }
  if (link_.failedWrites() == failedWritesBefore_) return false;
  portFailed_ = true;
  send(CmdProgModeOff);
  // The start-up text: the port is there but does not take what is written to it.
  prompts_.AskOnError(texts::portFailure(link_.port().writeProblem()));
  return true;
}

void Engine::tally(qint64 word, qint64 blank) {
  ++wordsRead_;
  allZero_ = allZero_ && word == 0;
  allBlank_ = allBlank_ && word == blank;
}

bool Engine::noChipAnswers(OperationKind kind) {
  // A run that read nothing told nothing about the chip; a device without an identification
  // word cannot tell a chip from an empty socket, and keeps the run's own result.
  const bool onlyBlank = (kind == OpRead || kind == OpBlankCheck) && allBlank_;
  if (wordsRead_ == 0 || !(allZero_ || onlyBlank) || device().DeviceID == kNoDeviceId) return false;
  const IdentityWords words = readIdentityWords(link_);
  if (portStops()) return true;
  if (words.idWord != 0 && words.idWord != kErasedWord) return false;
  host_.hideProgressWindow();
  host_.UpdateStatusBar();
  prompts_.ShowError(texts::noChipAnswers(words.idWord, device().Name));
  host_.setMainWindowEnabled(true);
  return true;
}

void Engine::programPair() {
  send(CmdBeginProg);
  link_.SleepMs(kPairWait);
  send(CmdEndProg);
}

void Engine::otpPulse(qint64 value) {
  send(CmdLoadProgData, static_cast<std::uint32_t>(value));
  send(CmdBeginProg);
  link_.SleepMs(kOtpPulse);
  send(CmdEndProg);
}

void Engine::ProgramWord(qint64 address, qint64 value) {
  const DeviceDef& dev = device();
  switch (kindOf(dev)) {
    case DeviceKind::Flash:
      send(CmdLoadProgData, static_cast<std::uint32_t>(value));
      send(CmdBeginProg);
      link_.SleepMs(dev.Name.contains(QLatin1String("16F62")) ? kFlashWait16F62 : kFlashWait);
      return;
    case DeviceKind::Flash1:
      send(CmdLoadProgData, static_cast<std::uint32_t>(value));
      // Words go in pairs: the cycle starts once the odd word of the pair is loaded.
      if (address % 2 != 0) programPair();
      return;
    case DeviceKind::OTP: {
      int counter = 0;
      do {
        otpPulse(value);
        counter += send(CmdReadProgData) == value ? kOtpVerified : 1;
      } while (counter < kOtpTries);
      if (counter >= kOtpVerified) {
        // Over-programming gives the cell its margin: 3k + 1 pulses after k tries.
        const int tries = counter - kOtpVerified + 1;
        for (int i = 0; i < 3 * tries + 1; ++i) otpPulse(value);
      }
      return;
    }
    case DeviceKind::Other:
      return;
  }
}

bool Engine::programPass(OperationKind kind, const QString& action, qint64 maxWord) {
  if (kind == OpRead) {
    image_.ResetProgramGrid();
    image_.setProgEnd(device().ProgMem);
  }
  const qint64 end = image_.ProgEnd();
  const bool pairedWrite = kind == OpWrite && kindOf(device()) == DeviceKind::Flash1;
  // A "Flash1" even word loaded and still waiting for its odd partner's cycle.
  bool evenPending = false;
  for (qint64 a = 0; a < end; ++a) {
    const qint64 v = image_.progValue(int(a));
    if (kind != OpRead) {
      if (v > maxWord) {
        if (reportStops(texts::programOutOfRange(a))) return false;
        // The partner of a loaded even word will not be loaded: program the even word alone.
        if (evenPending) programPair();
        evenPending = false;
      } else if (kind == OpWrite) {
        ProgramWord(a, v);
        evenPending = pairedWrite && a % 2 == 0;
        // A lone even word at the end of the walk gets its own cycle, or it would never be
        // programmed.
        if (evenPending && a + 1 == end) {
          programPair();
          evenPending = false;
        }
      }
    }
    host_.ShowProgress(action, texts::areaProgram(), a);
    // Paired writes are not read back: a stop is looked for at each location all the same.
    if (pairedWrite && portStops()) return false;
    if (!pairedWrite) {
      const qint64 r = send(CmdReadProgData);
      if (portStops()) return false;
      tally(r, kErasedWord);
      if (kind == OpRead) {
        image_.storeProgValue(int(a), r);
      } else if (kind == OpWrite || kind == OpVerify) {
        if (r != v && reportStops(texts::programVerifyError(a))) return false;
      } else if (r != kErasedWord && reportStops(texts::programBlankError(a))) {
        return false;
      }
    }
    send(CmdIncAddress);
  }
  return true;
}

bool Engine::identPass(OperationKind kind, const QString& action) {
  const bool pairedWrite = kind == OpWrite && kindOf(device()) == DeviceKind::Flash1;
  const qint64 id = image_.ReadIdent();
  qint64 accumulated = 0;
  qint64 weight = 1;
  // Location p holds nibble p of the ID, the least significant digit first.
  for (int p = 0; p < kIdLocations; ++p) {
    if (kind == OpWrite) ProgramWord(p, kIdWordBase + (id / weight) % 16);
    host_.ShowProgress(action, texts::areaIdent(), p);
    if (pairedWrite) {
      if (portStops()) return false;
      weight *= 16;
    } else {
      const qint64 r = send(CmdReadProgData);
      if (portStops()) return false;
      tally(r, kErasedWord);
      accumulated += (r % 16) * weight;
      weight *= 16;
      if (kind == OpRead) {
        image_.ShowIdent(accumulated);
      } else if (kind == OpWrite || kind == OpVerify) {
        // Each comparison covers every nibble from position 0 up to this one.
        if (id % weight != accumulated &&
            reportStops(texts::identVerifyError(p, id % weight, accumulated)))
          return false;
      } else {
        const qint64 again = send(CmdReadProgData);
        if (again != kErasedWord &&
            reportStops(texts::identBlankError(p, id % weight, accumulated)))
          return false;
      }
    }
    send(CmdIncAddress);
  }
  return true;
}

bool Engine::configPass(OperationKind kind, const QString& action) {
  host_.ShowProgress(action, texts::areaConfig(), -1);
  const qint64 c = image_.GetPalConf();
  if (kind == OpWrite) ProgramWord(kConfigAddress, c);
  if (kind == OpWrite && kindOf(device()) == DeviceKind::Flash1) return true;
  const qint64 r = send(CmdReadProgData);
  if (portStops()) return false;
  tally(r, kErasedWord);
  if (kind == OpRead) {
    image_.SetPalConf(r);
  } else if (kind == OpWrite || kind == OpVerify) {
    if (r != c && reportStops(texts::configVerifyError())) return false;
  } else if (r != kErasedWord && reportStops(texts::configBlankError())) {
    return false;
  }
  return true;
}

bool Engine::eepromPass(OperationKind kind, const QString& action) {
  send(CmdProgModeOn);
  if (kind == OpRead) {
    image_.ResetEEPromGrid();
    image_.setEEPromEnd(qMax(0, device().EEProm));
  }
  const qint64 end = image_.EEPromEnd();
  for (qint64 a = 0; a < end; ++a) {
    host_.ShowProgress(action, texts::areaEeprom(), a);
    const qint64 v = image_.eeValue(int(a));
    if (kind != OpRead) {
      if (v > kErasedByte) {
        if (reportStops(texts::eepromOutOfRange(a))) return false;
      } else if (kind == OpWrite) {
        send(CmdLoadEEData, static_cast<std::uint32_t>(v));
        send(CmdBeginProg);
        link_.SleepMs(kEepromWait);
      }
    }
    const qint64 r = send(CmdReadEEData) & 0xFF;
    if (portStops()) return false;
    tally(r, kErasedByte);
    if (kind == OpRead) {
      image_.storeEeValue(int(a), r);
    } else if (kind == OpBlankCheck) {
      // A blank check looks for erased bytes, whatever the image holds.
      if (r != kErasedByte && reportStops(texts::programBlankError(a))) return false;
    } else if (r != v && reportStops(texts::eepromVerifyError(a))) {
      return false;
    }
    send(CmdIncAddress);
  }
  return true;
}

bool Engine::RunOperation(OperationKind kind) {
  host_.showProgressWindow();
  host_.setMainWindowEnabled(false);
  const qint64 maxWord = qint64{IntPower(2, device().ProgBits)} - 1;
  const QString action = actionWord(kind);

  failedWritesBefore_ = link_.failedWrites();
  portFailed_ = false;
  hostStopped_ = false;
  wordsRead_ = 0;
  allZero_ = allBlank_ = true;
  send(CmdProgModeOn);
  if (portStops()) return false;
  if (host_.scopeProgram() && !programPass(kind, action, maxWord)) return false;
  // Leaving and re-entering programming mode puts the address counter back at 0.
  send(CmdProgModeOff);
  send(CmdProgModeOn);

  // Both choices are taken here, where the walk enters the configuration space, so that the
  // chip's counter and the walk stay in step.
  const bool ident = host_.scopeIdent();
  const bool config = host_.scopeConfig();
  if (ident || config) send(CmdLoadConfig, 0);
  if (ident) {
    if (!identPass(kind, action)) return false;
  } else {
    for (int p = 0; p < kIdLocations; ++p) send(CmdIncAddress);
  }
  for (int i = 0; i < kStepsToConfigWord; ++i) send(CmdIncAddress);
  if (config && !configPass(kind, action)) return false;
  send(CmdProgModeOff);

  // Only the "Flash" algorithm knows how to reach the data EEPROM.
  if (host_.scopeEeprom() && kindOf(device()) == DeviceKind::Flash && !eepromPass(kind, action))
    return false;
  send(CmdProgModeOff);
  // Writes that were not read back ("Flash1" pairs) were never checked: no success is claimed
  // when the port refused any of them.
  if (portStops()) return false;
  if (noChipAnswers(kind)) return false;

  host_.hideProgressWindow();
  host_.UpdateStatusBar();
  host_.beep();
  prompts_.ShowInfo(texts::operationCompleted());
  host_.setMainWindowEnabled(true);
  return true;
}

}  // namespace tavrix
