#include "BoardCommands.h"

#include <QString>

#include "BoardCliTexts.h"
#include "ChipBoard.h"
#include "CliCommands.h"
#include "CliSession.h"
#include "Console.h"
#include "link/Link.h"
#include "link/LinkTexts.h"
#include "link/RealClock.h"
#include "link/StopSignals.h"
#include "ops/BoardTest.h"
#include "ops/BoardTexts.h"
#include "ops/ChipIdentity.h"
#include "ops/OpTexts.h"

namespace tavrix::cli {

int runOnBoard(CliSession& session, const BoardWork& work, const std::function<bool()>& alsoSave) {
  ChipBoard board;
  QString problem;
  const DeviceDef& device = session.devices().CurrentDevice;
  if (!board.open(session.options(), device, session.portDevice(), &problem)) {
    session.console().error(QStringLiteral("Error: ") + problem);
    return kExitFailure;
  }
  // Success is told only once everything the command writes has been saved.
  session.prompts().holdInfo(true);
  board.watchSignals();
  Link link(board.port(), board.clock(), [&device] { return int(device.ProgBits); });
  int status = kExitOk;
  bool suspended = false;
  {
    StopSignals::Operation operation;
    status = work(board, link);
    suspended = operation.boardReleased();
  }
  // Stopped by Ctrl+Z: the run ended as cancelled, and nothing it read means anything.
  if (suspended) {
    session.console().error(QStringLiteral("Error: ") + ::tavrix::texts::operationSuspended());
    status = kExitFailure;
  }
  // The chip's state is kept even after a chip error. The signals are watched until everything
  // is saved: a signal during a save ends the tool with the previous files in place.
  bool saved = board.finish(&problem);
  if (!saved) session.console().error(QStringLiteral("Error: ") + problem);
  if (saved && alsoSave && !suspended) saved = alsoSave();
  board.unwatchSignals();
  // What the run told is shown only when all it wrote was saved: a success followed by a failed
  // save would leave the user believing the wrong one.
  session.prompts().holdInfo(false, saved && !suspended);
  return saved ? status : kExitFailure;
}

int boardTestCommand(CliSession& session) {
  return runOnBoard(session, [&session](ChipBoard& board, Link& link) {
    BoardTestSetup setup;
    const BoardFaults& faults = session.options().faults;
    setup.port = boardPortInfo(
        board.parallelPort(),
        faults.any() ? ::tavrix::texts::virtualFaultsNote(faults.names()) : QString());
    setup.selected = session.devices().CurrentDevice;
    setup.configPath = session.devices().ConfigPath;
    setup.catalogue = readDeviceCatalogue(setup.configPath);
    // The port is timed on the wall clock, whatever clock times the chip.
    RealClock timer;
    const BoardTestReport report = runBoardTest(link, timer, setup);
    for (const QString& line : report.lines) session.prompts().ShowInfo(line);
    return report.problem ? kExitChipError : kExitOk;
  });
}

int identifyCommand(CliSession& session) {
  return runOnBoard(session, [&session](ChipBoard&, Link& link) {
    const Identification id = identifyOnBoard(link, session.devices().CurrentDevice,
                                              readDeviceCatalogue(session.devices().ConfigPath));
    for (const QString& line : id.lines) session.prompts().ShowInfo(line);
    if (id.words.portFailed) {
      session.console().error(QStringLiteral("Error: ") +
                              QString::fromUtf8(::tavrix::texts::kNoParallelPortUtf8));
      return kExitChipError;
    }
    return id.answer == ChipAnswer::Known ? kExitOk : kExitChipError;
  });
}

bool identityAllowsWriting(CliSession& session, Link& link) {
  if (session.options().noIdCheck) return true;
  // A DeviceID the file gives in a form that reads as none: the check cannot run, and says so.
  if (const QString warning = deviceIdWarning(session.devices().CurrentDevice); !warning.isEmpty())
    session.warnOnce(warning);
  const QString refusal = identityRefusal(link, session.devices().CurrentDevice,
                                          readDeviceCatalogue(session.devices().ConfigPath));
  if (refusal.isEmpty()) return true;
  // A stop signal cut the supply while the word was read: that is said instead.
  if (StopSignals::boardReleased()) return false;
  session.console().error(QStringLiteral("Error: ") + refusal + QLatin1Char(' ') +
                          texts::identityRefusalTail());
  return false;
}

}  // namespace tavrix::cli
