#pragma once

#include <functional>

#include "link/Clock.h"

namespace tavrix {

// The link's clock in the windows: the start of each wait is lent to work that would otherwise
// add to the run's time (the progress window's due repaint), and the wait still ends when it
// would have ended, never sooner. Work that outlasts the wait makes it that much longer.
class IdleTimeClock : public Clock {
 public:
  explicit IdleTimeClock(Clock& inner) : inner_(&inner) {}

  // Called at the start of each sleepMs of 1 ms or more; returns false when it had nothing to do.
  void setIdleWork(std::function<bool()> work) { work_ = std::move(work); }

  void sleepMs(int ms) override;
  std::int64_t nowUs() const override { return inner_->nowUs(); }
  void waitUs(std::int64_t us) override { inner_->waitUs(us); }

  // The milliseconds of every sleepMs so far: the waits the chip asked for.
  std::int64_t askedMs() const { return askedMs_; }

 private:
  Clock* inner_;
  std::function<bool()> work_;
  std::int64_t askedMs_ = 0;
};

}  // namespace tavrix
