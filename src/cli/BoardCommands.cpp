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
#include "ops/BoardTest.h"
#include "ops/BoardTexts.h"
#include "ops/ChipIdentity.h"

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
  const int status = work(board, link);
  board.unwatchSignals();
  // The chip's state is kept even after a chip error.
  bool saved = board.finish(&problem);
  if (!saved) session.console().error(QStringLiteral("Error: ") + problem);
  if (saved && alsoSave) saved = alsoSave();
  // What the run told is shown only when all it wrote was saved: a success followed by a failed
  // save would leave the user believing the wrong one.
  session.prompts().holdInfo(false, saved);
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
  const QString refusal = identityRefusal(link, session.devices().CurrentDevice,
                                          readDeviceCatalogue(session.devices().ConfigPath));
  if (refusal.isEmpty()) return true;
  session.console().error(QStringLiteral("Error: ") + refusal + QLatin1Char(' ') +
                          texts::identityRefusalTail());
  return false;
}

}  // namespace tavrix::cli
