#pragma once

#include "link/Clock.h"

namespace tavrix {

// Simulated time: a sleep advances the clock by its length at once, so runs against the
// virtual board take no real time while waits stay measurable.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(std::int64_t startUs = 0) : nowUs_(startUs) {}

  // Negative waits count as none.
  void sleepMs(int ms) override;
  std::int64_t nowUs() const override { return nowUs_; }
  void waitUs(std::int64_t us) override { advanceUs(us); }

  // Moves time forward by `us` microseconds (negative values are ignored: time never goes back).
  void advanceUs(std::int64_t us);

 private:
  std::int64_t nowUs_;
};

}  // namespace tavrix
