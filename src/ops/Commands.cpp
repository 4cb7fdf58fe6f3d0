#include "ops/Commands.h"

#include "image/Prompts.h"
#include "link/Link.h"
#include "link/LinkTexts.h"
#include "link/StopSignals.h"
#include "ops/Engine.h"
#include "ops/OpTexts.h"
#include "ops/OperationHost.h"

namespace tavrix {

namespace {

// The bulk erase of the "Flash" sequence and of program memory on "Flash1" devices.
constexpr int kFlashEraseWait = 10;
constexpr int kFlash1EraseWait = 40;
constexpr int kStepsToConfigWord = 7;

// A completed run has hidden the progress window and enabled the main window already; a run
// stopped with Cancel has not.
bool finish(Engine& engine, bool result) {
  engine.host().hideProgressWindow();
  engine.host().setMainWindowEnabled(true);
  return result;
}

}  // namespace

bool readChip(Engine& engine) {
  return finish(engine, engine.RunOperation(OpRead));
}

bool verifyChip(Engine& engine) {
  return finish(engine, engine.RunOperation(OpVerify));
}

bool blankCheckChip(Engine& engine) {
  return finish(engine, engine.RunOperation(OpBlankCheck));
}

bool writeChip(Engine& engine) {
  const DeviceKind kind = kindOf(engine.device());
  bool result;
  if (kind == DeviceKind::OTP) {
    // Reported non-blank words do not stop the write; only Cancel does.
    result = engine.RunOperation(OpBlankCheck) && engine.RunOperation(OpWrite);
  } else {
    result = engine.RunOperation(OpWrite);
  }
  // The "Flash1" write does not read back, so a verify run always follows it, unless the port
  // refused the write (the user has been told, once) or the run was stopped without a question.
  if (kind == DeviceKind::Flash1 && !engine.portFailed() && !engine.stoppedWithoutQuestion())
    result = engine.RunOperation(OpVerify) && result;
  return finish(engine, result);
}

UnprotectResult unprotectChip(Engine& engine, bool ask) {
  const DeviceKind kind = kindOf(engine.device());
  Prompts& prompts = engine.prompts();
  if (kind == DeviceKind::OTP) {
    prompts.ShowInfo(texts::unprotectFlashOnly());
    return UnprotectResult::OnlyFlash;
  }
  if (ask && !prompts.AskYesNo(texts::unprotectCaption(), texts::unprotectQuestion()))
    return UnprotectResult::Declined;

  Link& link = engine.link();
  const std::uint64_t failedBefore = link.failedWrites();
  // The erase is claimed only when every byte of its sequence reached the port.
  auto erased = [&] {
    // A stop signal cut the supply during the sequence: the front end says so.
    if (StopSignals::boardReleased()) return UnprotectResult::Stopped;
    if (link.failedWrites() != failedBefore) {
      prompts.AskOnError(texts::portFailure(link.port().writeProblem()));
      return UnprotectResult::PortFailed;
    }
    prompts.ShowInfo(texts::unprotectDone());
    return UnprotectResult::Erased;
  };
  switch (kind) {
    case DeviceKind::Flash:
      // Erase setup at the configuration word erases everything and clears code protection.
      link.SendCommand(CmdProgModeOn, 0);
      link.SendCommand(CmdLoadConfig, 0);
      link.SendCommand(CmdLoadProgData, 0x3FFF);
      for (int i = 0; i < kStepsToConfigWord; ++i) link.SendCommand(CmdIncAddress, 0);
      link.SendCommand(CmdEraseSetup1, 0);
      link.SendCommand(CmdEraseSetup2, 0);
      link.SendCommand(CmdBeginProg, 0);
      link.SleepMs(kFlashEraseWait);
      link.SendCommand(CmdEraseSetup1, 0);
      link.SendCommand(CmdEraseSetup2, 0);
      link.SendCommand(CmdProgModeOff, 0);
      return erased();
    case DeviceKind::Flash1:
      link.SendCommand(CmdProgModeOn, 0);
      link.SendCommand(CmdBulkEraseProg, 0);
      link.SleepMs(kFlash1EraseWait);
      link.SendCommand(CmdProgModeOff, 0);
      // Said as on "Flash" devices, so the user knows the erase was sent.
      return erased();
    default:
      // Told rather than left silent: nothing reached the chip.
      prompts.ShowInfo(texts::unprotectNotSupported());
      return UnprotectResult::NotSupported;
  }
}

}  // namespace tavrix
