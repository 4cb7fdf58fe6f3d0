#include "ChipBoard.h"

#include "CliTexts.h"
#include "device/FileNames.h"
#include "device/FileSave.h"
#include "device/PathWalk.h"
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

bool ChipBoard::finish(QString* error) {
  // The board is left idle before the trace is completed, so the trace ends with it.
  release();
  bool ok = true;
  if (state_ && !state_->save(*chip_, error)) ok = false;
  if (traceFile_ && !traceFile_->close() && ok) {
    *error = texts::cannotWriteTrace(tracePath_, systemReason(traceFile_->error()));
    ok = false;
  }
  return ok;
}

bool ChipBoard::traceFailed() const {
  return traceFile_ && traceFile_->error() != 0;
}

bool ChipBoard::checkpoint(QString* error) {
  if (state_ && !state_->save(*chip_, error)) return false;
  if (traceFile_ && !traceFile_->flush()) {
    *error = texts::cannotWriteTrace(tracePath_, systemReason(traceFile_->error()));
    return false;
  }
  return true;
}

void ChipBoard::watchSignals() {
  if (port_) EndingSignals::watch(*port_);
}

void ChipBoard::unwatchSignals() {
  if (port_) EndingSignals::unwatch(*port_);
}

}  // namespace tavrix::cli
