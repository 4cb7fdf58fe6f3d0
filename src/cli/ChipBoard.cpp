#include "ChipBoard.h"

#include <time.h>
#include <unistd.h>

#include <cstdlib>

#include "CliTexts.h"
#include "files/FileNames.h"
#include "files/FileSave.h"
#include "files/PathWalk.h"
#include "link/EndingSignals.h"
#include "link/LinkTexts.h"
#include "link/PortOpening.h"
#include "link/RealClock.h"
#include "link/Recording.h"
#include "link/TraceFile.h"
#include "link/VirtualClock.h"
#include "ops/OpTexts.h"
#include "sim/ChipStateFile.h"
#include "sim/VirtualBoard.h"
#include "sim/VirtualChip.h"

namespace tavrix::cli {

namespace {

// The port the ending signals watch: the board's own, which goes idle and completes the trace,
// and besides it the new file of a save under way, which is removed.
class EndingPort final : public Port {
 public:
  explicit EndingPort(Port& board) : board_(board) {}
  bool writeByte(std::uint8_t value) override { return board_.writeByte(value); }
  std::uint8_t readStatus() override { return board_.readStatus(); }
  bool goIdleNow() noexcept override {
    const bool idle = board_.goIdleNow();
    FileSave::removeUnfinishedNow();
    return idle;
  }

 private:
  Port& board_;
};

// For tests that act in the middle of a save (a signal, a second run): with
// TAVRIX_TEST_HOLD_SAVE=FILE, the state file's save waits, once its new file is written and
// before it takes the name, for as long as FILE exists (a minute at most).
void holdTheSaveForTests() {
  const char* hold = std::getenv("TAVRIX_TEST_HOLD_SAVE");
  if (!hold || !*hold) return;
  for (int i = 0; i < 6000 && ::access(hold, F_OK) == 0; ++i) {
    timespec tick{0, 10 * 1000 * 1000};
    ::nanosleep(&tick, nullptr);
  }
}

}  // namespace

ChipBoard::ChipBoard() = default;

ChipBoard::~ChipBoard() {
  release();
  unwatchSignals();
  // The board goes before the chip it drives; the state file's lock goes last.
  board_.reset();
  chip_.reset();
  state_.reset();
}

bool ChipBoard::open(const CliOptions& options, const DeviceDef& device, const QString& portDevice,
                     QString* error) {
  if (options.useVirtual()) {
    virtualClock_ = std::make_unique<VirtualClock>();
    chip_ = std::make_unique<VirtualChip>(device, *virtualClock_);
    // A device whose areas cannot be kept apart in the file is refused before anything.
    if (const QString problem = chip_->contentsFileProblem(); !problem.isEmpty()) {
      *error = problem;
      return false;
    }
    // A state file that does not exist yet is a blank chip; one that exists must load.
    state_ = std::make_unique<ChipStateFile>();
    QString problem;
    if (!state_->open(options.virtualState, *chip_, &problem) || !state_->load(*chip_, &problem)) {
      *error = texts::stateFileProblem(options.virtualState, problem);
      state_.reset();
      return false;
    }
    board_ = std::make_unique<VirtualBoard>(chip_.get());
    board_->setFaults(options.faults);
    board_->setVirtualClock(virtualClock_.get());
    port_ = board_.get();
    clock_ = virtualClock_.get();
  } else {
    // --port names the node for this run, over the device file's choice.
    const QString node = options.portPath.isEmpty() ? portDevice : options.portPath;
    PortOpening opening = openNamedOrSearch(systemPorts(), nameToBytes(node).toStdString());
    if (!opening.port) {
      *error = QString::fromUtf8(::tavrix::texts::kNoParallelPortUtf8);
      for (const std::string& line : opening.problemLines())
        *error += QLatin1Char('\n') + visibleName(nameFromBytes(QByteArrayView(line)));
      return false;
    }
    parallel_ = std::move(opening.port);
    realClock_ = std::make_unique<RealClock>();
    port_ = parallel_.get();
    clock_ = realClock_.get();
  }

  if (!options.tracePath.isEmpty()) {
    tracePath_ = options.tracePath;
    QString reason;
    const int fd = openInPlace(tracePath_, &reason);
    if (fd < 0) {
      *error = texts::cannotCreateTrace(tracePath_, reason);
      if (state_) state_->discardCreated();  // nothing was sent: no state was made either
      return false;
    }
    traceFile_ = std::make_unique<TraceFile>(fd);
    sink_ = std::make_unique<TraceSink>(*traceFile_);
    recordingPort_ = std::make_unique<RecordingPort>(*port_, *sink_);
    recordingClock_ = std::make_unique<RecordingClock>(*clock_, *sink_);
    port_ = recordingPort_.get();
    clock_ = recordingClock_.get();
  }
  ending_ = std::make_unique<EndingPort>(*port_);
  // The lines keep whatever was last put on them (a driver's probe can leave the socket
  // powered): the board goes idle first, and the trace shows it. A port that does not take that
  // byte is no port.
  if (!port_->writeByte(kIdleLines)) {
    *error = ::tavrix::texts::portFailure(port_->writeProblem());
    released_ = true;
    if (state_) state_->discardCreated();
    return false;
  }
  return true;
}

void ChipBoard::release() {
  if (!port_ || released_) return;
  released_ = true;
  port_->writeByte(kIdleLines);
}

bool ChipBoard::saveState(QString* error) {
  if (!state_) return true;
  if (!state_->prepare(*chip_, error)) return false;
  holdTheSaveForTests();
  return state_->commit(error);
}

bool ChipBoard::finish(QString* error) {
  // The board is left idle before the trace is completed, so the trace ends with it; the trace
  // is complete before the new contents take the state file's name: a signal that comes in
  // between finds the previous contents in place.
  release();
  QString traceError;
  if (traceFile_ && !traceFile_->close())
    traceError = texts::cannotWriteTrace(tracePath_, systemReason(traceFile_->error()));
  if (!saveState(error)) return false;
  if (traceError.isEmpty()) return true;
  *error = traceError;
  return false;
}

bool ChipBoard::traceFailed() const {
  return traceFile_ && traceFile_->error() != 0;
}

bool ChipBoard::checkpoint(QString* error) {
  QString traceError;
  if (traceFile_ && !traceFile_->flush())
    traceError = texts::cannotWriteTrace(tracePath_, systemReason(traceFile_->error()));
  if (!saveState(error)) return false;
  if (traceError.isEmpty()) return true;
  *error = traceError;
  return false;
}

void ChipBoard::watchSignals() {
  if (ending_) EndingSignals::watch(*ending_);
}

void ChipBoard::unwatchSignals() {
  if (ending_) EndingSignals::unwatch(*ending_);
}

}  // namespace tavrix::cli
