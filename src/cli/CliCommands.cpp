#include "CliCommands.h"

#include <QString>

#include "BoardCommands.h"
#include "ChipBoard.h"
#include "CliHost.h"
#include "CliOptions.h"
#include "CliSession.h"
#include "CliTexts.h"
#include "Console.h"
#include "FileRoles.h"
#include "WatchLoop.h"
#include "device/DeviceFile.h"
#include "device/DeviceTexts.h"
#include "image/MemoryImage.h"
#include "link/Link.h"
#include "ops/Commands.h"
#include "ops/Engine.h"
#include "ops/OpTexts.h"

namespace tavrix::cli {

namespace {

int listDevices(const CliOptions& options, Console& console) {
  const DeviceList list = ReadDeviceList(options.iniPath);
  if (!list.problem.isEmpty()) {
    console.error(QStringLiteral("Error: ") +
                  ::tavrix::texts::configFileUnreadable(options.iniPath, list.problem));
    return kExitFailure;
  }
  if (list.devices.isEmpty()) {
    console.error(QStringLiteral("Error: ") + ::tavrix::texts::configFileMissing(options.iniPath));
    return kExitFailure;
  }
  for (const QString& name : list.devices) console.listItem(name);
  // Only the first section of a name is ever read.
  for (const QString& name : list.repeated)
    console.error(texts::repeatedDevice(name, options.iniPath));
  return kExitOk;
}

int convertHex(CliSession& session) {
  const QStringList& args = session.options().args;
  if (const int status = session.loadHex(args[0]); status != kExitOk) return status;
  if (!session.saveHex(args[1])) return kExitFailure;
  return kExitOk;
}

// Runs the chip part of a command; true when it reached its end without an error reported.
bool runOnChip(const QString& command, Engine& engine, CliPrompts& prompts) {
  prompts.resetCounts();
  bool reached = true;
  if (command == QLatin1String("read")) {
    reached = readChip(engine);
  } else if (command == QLatin1String("write")) {
    reached = writeChip(engine);
  } else if (command == QLatin1String("verify")) {
    reached = verifyChip(engine);
  } else if (command == QLatin1String("blank")) {
    // With no file loaded the extents are 0, and a blank check covers only what they say:
    // the command checks the whole chip, as a read would cover it. The EEPROM is compared
    // with its freshly reset cells, all FF.
    MemoryImage& image = engine.image();
    image.setProgEnd(engine.device().ProgMem);
    if (engine.device().EEProm > 0) image.setEEPromEnd(engine.device().EEProm);
    reached = blankCheckChip(engine);
  } else {
    // An OTP part, or an algorithm without an erase sequence, was not unprotected: that is a
    // failure on this chip, not a success.
    reached = unprotectChip(engine, false) == UnprotectResult::Erased;
  }
  return reached && prompts.errors() == 0;
}

int chipCommand(CliSession& session) {
  const CliOptions& options = session.options();
  const QString& command = options.command;
  const bool loads = command == QLatin1String("write") || command == QLatin1String("verify");
  // The file is loaded before the port is opened: a file that cannot be used never touches
  // the chip.
  if (loads) {
    if (const int status = session.loadHex(options.args[0]); status != kExitOk) return status;
  }

  const DeviceDef& device = session.devices().CurrentDevice;
  int status = kExitOk;
  return runOnBoard(
      session,
      [&](ChipBoard& board, Link& link) -> int {
        CliHost host(session.console(), options.areas, session.image());
        host.stopWhen([&board] { return board.traceFailed(); });
        Engine engine(session.devices(), session.image(), link, session.prompts(), host);
        // write and unprotect first make sure the chip is the selected device; an unprotect
        // that sends nothing (no erase sequence for the device's algorithm) reads nothing
        // either.
        const DeviceKind kind = kindOf(device);
        const bool erases = kind == DeviceKind::Flash || kind == DeviceKind::Flash1;
        const bool writes =
            command == QLatin1String("write") || (command == QLatin1String("unprotect") && erases);
        if (writes && !identityAllowsWriting(session, link)) return kExitFailure;
        if (runOnChip(command, engine, session.prompts())) return kExitOk;
        // A run that completed is followed by one that failed (a "Flash1" write's compare, an
        // "OTP" write after its blank check), or reached its end with errors: the command
        // failed, and says nothing of a completion.
        session.prompts().dropHeld(::tavrix::texts::operationCompleted());
        status = kExitChipError;
        return status;
      },
      // A read that failed (no chip answers, the port refused) leaves OUT as it was: the image
      // is not the chip's.
      [&] {
        return command != QLatin1String("read") || status != kExitOk ||
               session.saveHex(options.args[0]);
      });
}

}  // namespace

int runCommand(const CliOptions& options, Console& console) {
  if (options.command == QLatin1String("devices")) return listDevices(options, console);
  // Before anything is read or written: a file in two roles would be overwritten by one of them.
  if (const QString problem = sharedFileProblem(options); !problem.isEmpty()) {
    console.error(QStringLiteral("Error: ") + problem);
    return kExitFailure;
  }
  CliSession session(options, console);
  if (!session.selectDevice()) return kExitFailure;
  if (options.command == QLatin1String("hex")) return convertHex(session);
  if (options.command == QLatin1String("board-test")) return boardTestCommand(session);
  if (options.command == QLatin1String("identify")) return identifyCommand(session);
  if (options.watch) return watchCommand(session);
  return chipCommand(session);
}

}  // namespace tavrix::cli
