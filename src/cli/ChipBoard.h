#pragma once

#include <QString>

#include <fstream>
#include <memory>

#include "CliOptions.h"
#include "device/DeviceDef.h"
#include "link/Clock.h"
#include "link/Port.h"

namespace tavrix {
class LptPort;
class RealClock;
class RecordingClock;
class RecordingPort;
class TraceSink;
class VirtualBoard;
class VirtualChip;
class VirtualClock;
}  // namespace tavrix

namespace tavrix::cli {

// The programmer the options name, as the link sees it: a port and a clock.
// - --virtual STATE: the virtual board and a chip of the selected device's kind, on a virtual
//   clock; the chip's contents come from STATE when it exists and go back to it at finish().
//   --virtual-fault puts its faults on that board.
// - --port PATH: exactly that printer node; otherwise /dev/lp0, lp1, lp2 in order; real clock.
// - --trace FILE: every write, status read and wait is recorded in the link's trace format.
class ChipBoard {
 public:
  ChipBoard();
  ~ChipBoard();
  ChipBoard(const ChipBoard&) = delete;
  ChipBoard& operator=(const ChipBoard&) = delete;

  // False with the message to show when the port, the state file or the trace file cannot be
  // used; nothing has been sent then.
  bool open(const CliOptions& options, const DeviceDef& device, QString* error);

  Port& port() { return *port_; }
  Clock& clock() { return *clock_; }

  // Saves the virtual chip back to its state file and completes the trace. False with the
  // message when one of them could not be written.
  bool finish(QString* error);

  // The handle of the real port, -1 with the virtual board (for leaving the chip unpowered
  // when the tool is interrupted).
  int realHandle() const;

 private:
  std::unique_ptr<LptPort> lpt_;
  std::unique_ptr<RealClock> realClock_;
  std::unique_ptr<VirtualClock> virtualClock_;
  std::unique_ptr<VirtualChip> chip_;
  std::unique_ptr<VirtualBoard> board_;
  QString statePath_;

  std::ofstream traceFile_;
  QString tracePath_;
  std::unique_ptr<TraceSink> sink_;
  std::unique_ptr<RecordingPort> recordingPort_;
  std::unique_ptr<RecordingClock> recordingClock_;

  Port* port_ = nullptr;
  Clock* clock_ = nullptr;
};

}  // namespace tavrix::cli
