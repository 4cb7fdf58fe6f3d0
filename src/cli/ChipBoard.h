#pragma once

#include <QString>

#include <memory>

#include "CliOptions.h"
#include "device/DeviceDef.h"
#include "link/Clock.h"
#include "link/ParallelPort.h"
#include "link/Port.h"

namespace tavrix {
class RealClock;
class RecordingClock;
class RecordingPort;
class ChipStateFile;
class TraceFile;
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
//   STATE is locked from open() to the board's end, so a second run on it is refused.
// - --port PATH, else the device file's `portdevice`: exactly that node; otherwise the search
//   of /dev/lp0, lp1, lp2, then /dev/parport0, 1, 2; real clock. Only a parallel port is used.
// - --trace FILE: every write, status read and wait is recorded in the link's trace format.
// The board is given the idle byte right after it is opened and again before it is let go
// (finish(), or the end of the ChipBoard); the trace records both.
// A signal that ends the tool while the board is watched leaves the lines idle; the trace then
// ends with that byte. The virtual chip's contents are not saved then: STATE keeps what it
// held before the run (the erased chip when the run created it).
class ChipBoard {
 public:
  ChipBoard();
  ~ChipBoard();
  ChipBoard(const ChipBoard&) = delete;
  ChipBoard& operator=(const ChipBoard&) = delete;

  // False with the message to show when the port, the state file or the trace file cannot be
  // used; nothing has been sent then. `portDevice` is the device file's `portdevice`.
  bool open(const CliOptions& options, const DeviceDef& device, const QString& portDevice,
            QString* error);

  Port& port() { return *port_; }
  Clock& clock() { return *clock_; }

  // Leaves the board idle, completes the trace, then saves the virtual chip back to its state
  // file. False with the message when one of them could not be written. While the signals are
  // watched, a signal that ends the tool during these saves leaves the trace complete and the
  // previous state file in place, without the save's unfinished new file.
  bool finish(QString* error);
  // True once a write to the trace file has failed: the run should stop.
  bool traceFailed() const;
  // The same, keeping the state file and the trace in use for more runs (write --watch).
  bool checkpoint(QString* error);

  // The real port (its node, kind and handle); null with the virtual board.
  ParallelPort* parallelPort() { return parallel_.get(); }

  // From watchSignals() to unwatchSignals(), a signal that ends the tool first leaves the board
  // idle, completes the trace and removes the unfinished new file of a save under way.
  void watchSignals();
  void unwatchSignals();

 private:
  bool saveState(QString* error);

  std::unique_ptr<ParallelPort> parallel_;
  std::unique_ptr<RealClock> realClock_;
  std::unique_ptr<VirtualClock> virtualClock_;
  std::unique_ptr<VirtualChip> chip_;
  std::unique_ptr<VirtualBoard> board_;
  std::unique_ptr<ChipStateFile> state_;

  std::unique_ptr<TraceFile> traceFile_;
  QString tracePath_;
  std::unique_ptr<TraceSink> sink_;
  std::unique_ptr<RecordingPort> recordingPort_;
  std::unique_ptr<RecordingClock> recordingClock_;

  Port* port_ = nullptr;
  Clock* clock_ = nullptr;
  std::unique_ptr<Port> ending_;  // what the ending signals watch
  bool released_ = false;

  // Puts the idle byte on the lines once, the last byte this board sends.
  void release();
};

}  // namespace tavrix::cli
