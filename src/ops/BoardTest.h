#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

#include "device/DeviceDef.h"
#include "link/ParallelPort.h"
#include "ops/ChipIdentity.h"

namespace tavrix {

class Clock;
class Link;

// How the board is reached, as the report names it.
struct BoardPortInfo {
  QString node;  // the port's node; unused on the virtual board
  PortKind kind = PortKind::Printer;
  bool virtualBoard = false;
  QString note;  // virtual board: what it is given (its faults), shown after its name
};

// The port as the report names it: a real one (`real`) by its node and kind; none, the virtual
// board with `virtualNote`.
BoardPortInfo boardPortInfo(const ParallelPort* real, const QString& virtualNote);

struct BoardTestSetup {
  BoardPortInfo port;
  DeviceDef selected;
  QList<DeviceDef> catalogue;  // every device of the device file
  QString configPath;          // the device file, named in the advice for a slow port
  // The port is timed over this many idle bytes, or over as many as fit in the budget when the
  // port is so slow that they would not.
  int timingBytes = 1000;
  std::int64_t timingBudgetUs = 2000000;
};

// A byte that takes longer than this is a port waiting on handshake lines.
inline constexpr double kSlowByteLimitUs = 100.0;

struct BoardTestReport {
  std::int64_t timedBytes = 0;
  double usPerByte = 0;
  bool slowPort = false;
  bool portRefused = false;
  DataLine dataLine = DataLine::NotChecked;
  bool chipRead = false;
  Identification chip;
  bool problem = false;  // something is wrong with the port, the board or the chip
  QStringList lines;     // the report, one line each
};

// The board test. Names the port; times it over idle bytes (0x24) on `timer`, which must be a
// real clock for the figure to mean anything; checks the data path (checkDataLine); then, when
// the data line follows, reads the configuration and identification words (readIdentityWords)
// and says what they mean. Nothing is written to the chip, and the last byte sent is always
// the idle 0x24.
BoardTestReport runBoardTest(Link& link, Clock& timer, const BoardTestSetup& setup);

// The board test's check of the data path: supply cut, MCLR held at ground and the data driver
// on, the data bit sent high then low (0x31, 0x30) three times in turn, status bit 0x40 read
// twice after each, every read once the line has settled for 50 µs on the link's clock. Reads
// of one level that disagree make the line Unstable. Ends idle (0x24).
DataLine checkDataLine(Link& link);

// Identification on a board ("Identificar PIC", `identify`): the data line first, as the board
// test checks it, and the chip's words only when the line follows. A stuck line is said as the
// board test says it, rather than blamed on the socket, the supply or an erased chip.
Identification identifyOnBoard(Link& link, const DeviceDef& selected,
                               const QList<DeviceDef>& catalogue);

// Whether what was found is wrong for the selected device: a port that refuses writes, a data
// line that does not follow, no chip answering, a chip of another or of no known device.
bool identificationProblem(const Identification& chip, const DeviceDef& selected);

}  // namespace tavrix
