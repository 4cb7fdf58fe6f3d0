#pragma once

#include <QString>

#include <map>
#include <memory>

#include "device/DeviceDef.h"
#include "link/Clock.h"
#include "sim/VirtualBoard.h"
#include "sim/VirtualChip.h"

namespace tavrix {

// The virtual chips of a session, one per device name, so that going to another device and
// back finds the chip as it was left; optionally tied to the board whose socket they go in.
// A device whose definition has changed since its chip was made (another device file) gets a
// new blank chip.
class ChipShelf {
 public:
  // The clock must outlive the shelf; every chip times its cycles with it. The board, when
  // given, must outlive the shelf too; the shelf empties its socket when it goes.
  explicit ChipShelf(Clock& clock, VirtualBoard* board = nullptr) : clock_(&clock), board_(board) {}
  ~ChipShelf();
  ChipShelf(const ChipShelf&) = delete;
  ChipShelf& operator=(const ChipShelf&) = delete;

  // The chip of this device, made blank on first use, and put in the board's socket.
  VirtualChip& select(const DeviceDef& device);
  // The chip of this device, made blank on first use; the socket is left alone, unless the
  // chip it held had to be replaced (the new one then takes its place).
  VirtualChip& chipFor(const DeviceDef& device);
  // The chip already made for this device name, or nullptr.
  VirtualChip* find(const QString& name) const;
  int size() const { return static_cast<int>(chips_.size()); }

 private:
  Clock* clock_;
  VirtualBoard* board_;
  std::map<QString, std::unique_ptr<VirtualChip>> chips_;
};

}  // namespace tavrix
