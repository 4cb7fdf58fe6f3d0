#include "ChipBoard.h"

#include <QFile>
#include <QFileInfo>

#include "CliTexts.h"
#include "link/LinkTexts.h"
#include "link/LptPort.h"
#include "link/RealClock.h"
#include "link/Recording.h"
#include "link/VirtualClock.h"
#include "sim/VirtualBoard.h"
#include "sim/VirtualChip.h"

namespace tavrix::cli {

ChipBoard::ChipBoard() = default;

ChipBoard::~ChipBoard() {
  // The board goes before the chip it drives.
  board_.reset();
  chip_.reset();
}

bool ChipBoard::open(const CliOptions& options, const DeviceDef& device, QString* error) {
  if (options.useVirtual()) {
    virtualClock_ = std::make_unique<VirtualClock>();
    chip_ = std::make_unique<VirtualChip>(device, *virtualClock_);
    statePath_ = options.virtualState;
    // A state file that does not exist yet is a blank chip; one that exists must load.
    QString problem;
    if (QFileInfo::exists(statePath_) && !chip_->loadHex(statePath_, &problem)) {
      *error = texts::stateFileProblem(statePath_, problem);
      return false;
    }
    board_ = std::make_unique<VirtualBoard>(chip_.get());
    board_->setFaults(options.faults);
    board_->setVirtualClock(virtualClock_.get());
    port_ = board_.get();
    clock_ = virtualClock_.get();
  } else {
    lpt_ = std::make_unique<LptPort>();
    const int handle = options.portPath.isEmpty()
                           ? lpt_->PortOpen()
                           : lpt_->openNode(QFile::encodeName(options.portPath).toStdString());
    if (handle < 1) {
      *error = QString::fromUtf8(::tavrix::texts::kNoParallelPortUtf8);
      return false;
    }
    realClock_ = std::make_unique<RealClock>();
    port_ = lpt_.get();
    clock_ = realClock_.get();
  }

  if (!options.tracePath.isEmpty()) {
    tracePath_ = options.tracePath;
    traceFile_.open(QFile::encodeName(tracePath_).toStdString(),
                    std::ios::out | std::ios::trunc | std::ios::binary);
    if (!traceFile_) {
      *error = texts::cannotCreateTrace(tracePath_);
      return false;
    }
    sink_ = std::make_unique<TraceSink>(traceFile_);
    recordingPort_ = std::make_unique<RecordingPort>(*port_, *sink_);
    recordingClock_ = std::make_unique<RecordingClock>(*clock_, *sink_);
    port_ = recordingPort_.get();
    clock_ = recordingClock_.get();
  }
  return true;
}

bool ChipBoard::finish(QString* error) {
  bool ok = true;
  if (chip_ && !chip_->saveHex(statePath_, error)) ok = false;
  if (traceFile_.is_open()) {
    traceFile_.close();
    if (traceFile_.fail() && ok) {
      *error = texts::cannotWriteTrace(tracePath_);
      ok = false;
    }
  }
  return ok;
}

int ChipBoard::realHandle() const {
  return lpt_ ? lpt_->PortHandle() : -1;
}

}  // namespace tavrix::cli
