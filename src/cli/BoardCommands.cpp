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

namespace {

// Runs `work` on the board the options name, with the board left idle if a signal ends the
// tool, and the virtual chip and the trace saved afterwards. Returns work's status, or 2 when
// the board could not be opened or its files saved.
template <typename Work>
int onBoard(CliSession& session, Work work) {
  ChipBoard board;
  QString problem;
  const DeviceDef& device = session.devices().CurrentDevice;
  if (!board.open(session.options(), device, session.portDevice(), &problem)) {
    session.console().error(QStringLiteral("Error: ") + problem);
    return kExitFailure;
  }
  // The report is told only once the state and the trace are saved, as every command's is.
  session.prompts().holdInfo(true);
  board.watchSignals();
  Link link(board.port(), board.clock(), [&device] { return int(device.ProgBits); });
  int status = work(board, link);
  board.unwatchSignals();
  const bool saved = board.finish(&problem);
  if (!saved) session.console().error(QStringLiteral("Error: ") + problem);
  session.prompts().holdInfo(false, saved);
  return saved ? status : kExitFailure;
}

BoardPortInfo portInfo(ChipBoard& board, const CliOptions& options) {
  BoardPortInfo info;
  if (const ParallelPort* port = board.parallelPort()) {
    info.node = QString::fromStdString(port->portPath());
    info.kind = port->kind();
  } else {
    info.virtualBoard = true;
    if (options.faults.any())
      info.note = ::tavrix::texts::virtualFaultsNote(options.faults.names());
  }
  return info;
}

}  // namespace

int boardTestCommand(CliSession& session) {
  return onBoard(session, [&session](ChipBoard& board, Link& link) {
    BoardTestSetup setup;
    setup.port = portInfo(board, session.options());
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
  return onBoard(session, [&session](ChipBoard&, Link& link) {
    const Identification id = identifyChip(link, session.devices().CurrentDevice,
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
