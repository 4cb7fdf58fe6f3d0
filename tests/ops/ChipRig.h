#pragma once

#include <QString>

#include <memory>

#include "OpsRig.h"
#include "link/VirtualClock.h"
#include "sim/VirtualBoard.h"
#include "sim/VirtualChip.h"

namespace tavrix::test {

// A device of the shipped device file.
DeviceDef shippedDevice(const QString& name);

// Sleeps `shortBy` milliseconds less than asked (never below 0): a link whose waits are too
// short for the chip.
class ShorteningClock : public Clock {
 public:
  ShorteningClock(Clock& inner, int shortBy) : inner_(inner), shortBy_(shortBy) {}
  void sleepMs(int ms) override { inner_.sleepMs(ms > shortBy_ ? ms - shortBy_ : 0); }
  std::int64_t nowUs() const override { return inner_.nowUs(); }

 private:
  Clock& inner_;
  int shortBy_;
};

// The engine over the virtual board and chip, on virtual time.
struct ChipRig {
  explicit ChipRig(const DeviceDef& device);

  DeviceContext devices;
  VirtualClock clock;
  VirtualChip chip;
  VirtualBoard board;
  Link link;
  ScriptedPrompts prompts;
  FakeHost host;
  MemoryImage image;
  Engine engine;

  // A fresh image of the current device, as device selection leaves it.
  void resetImage(MemoryImage& target) const;
  void scopeAll() { host.scope(true, true, true, true); }
};

// Differences between two images over the device's four areas, one line each ("" if equal).
QString imageDifferences(const MemoryImage& a, const MemoryImage& b, const DeviceDef& device);
// Differences between an image and the chip's contents over the image's extents.
QString chipDifferences(const MemoryImage& image, const VirtualChip& chip);

}  // namespace tavrix::test
