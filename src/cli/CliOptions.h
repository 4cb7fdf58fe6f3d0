#pragma once

#include <QString>
#include <QStringList>

#include "sim/BoardFaults.h"

namespace tavrix::cli {

// The chip areas an operation covers, the command-line form of the scope check boxes.
struct Areas {
  bool prog = true;
  bool eeprom = true;
  bool config = true;
  bool id = true;
};

// What the command line asks for.
struct CliOptions {
  QString iniPath = QStringLiteral("/etc/Tavrix.ini");
  QString device;        // empty: the first device of the file
  QString portPath;      // empty: `portdevice`, else /dev/lp0..2 and /dev/parport0..2
  QString virtualState;  // non-empty: the virtual board, its chip kept in this HEX file
  BoardFaults faults;    // --virtual-fault: faults put on the virtual board
  Areas areas;
  bool keepGoing = false;
  bool noIdCheck = false;  // write, unprotect: no identification word read first
  bool watch = false;      // write: program again each time the file changes
  QString tracePath;       // empty: no trace
  QString command;
  QStringList args;

  bool useVirtual() const { return !virtualState.isEmpty(); }
};

struct ParseResult {
  enum class Outcome { Run, Help, Version, UsageError };
  Outcome outcome = Outcome::UsageError;
  CliOptions options;
  QString text;  // Help: the help text; Version: the version line; UsageError: the problem
};

// Parses the program's arguments (the program name first, as QCoreApplication::arguments()
// gives them). Checks the options, the command and its number of arguments; files are not
// looked at.
ParseResult parseCommandLine(const QStringList& arguments);

// Parses a --areas list such as "prog,config"; false when a name is unknown or none is given.
bool parseAreas(const QString& list, Areas* areas, QString* problem);

}  // namespace tavrix::cli
