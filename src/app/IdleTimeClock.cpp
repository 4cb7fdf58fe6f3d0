#include "app/IdleTimeClock.h"

namespace tavrix {

void IdleTimeClock::sleepMs(int ms) {
  if (ms <= 0) return;
  askedMs_ += ms;
  const std::int64_t end = inner_->nowUs() + std::int64_t{ms} * 1000;
  // Nothing done: the inner clock waits as it always does (a recording clock notes the wait).
  if (!work_ || !work_()) {
    inner_->sleepMs(ms);
    return;
  }
  inner_->waitUs(end - inner_->nowUs());
}

}  // namespace tavrix
