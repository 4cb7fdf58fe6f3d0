#pragma once

#include "link/Clock.h"

namespace tavrix {

// Wall time for the real board: sleeps with usleep, time from the monotonic clock.
class RealClock : public Clock {
 public:
  RealClock();
  // Waits at least `ms` milliseconds, even when a signal cuts a sleep short: the chip's
  // programming cycles must never be shortened. Zero or less returns at once.
  void sleepMs(int ms) override;
  std::int64_t nowUs() const override;
  // To the microsecond, never shorter; a short wait is spun.
  void waitUs(std::int64_t us) override;

 private:
  void waitUntil(std::int64_t endUs) const;
};

}  // namespace tavrix
