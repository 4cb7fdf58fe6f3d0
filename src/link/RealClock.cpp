#include "link/RealClock.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace tavrix {

namespace {

// The last stretch of a wait is spun rather than slept: the kernel wakes a sleeper late, and
// thousands of programming waits would add that lateness up.
constexpr std::int64_t kSpinUs = 200;

}  // namespace

RealClock::RealClock() {
  // The default timer slack lets each sleep run 50 µs long; the chip's waits want it exact.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

void RealClock::sleepMs(int ms) {
  if (ms > 0) waitUntil(nowUs() + static_cast<std::int64_t>(ms) * 1000);
}

void RealClock::waitUs(std::int64_t us) {
  if (us > 0) waitUntil(nowUs() + us);
}

void RealClock::waitUntil(std::int64_t end) const {
  // usleep may refuse a second or more, and returns early on a signal: sleep in pieces until due.
  for (std::int64_t left = end - nowUs(); left > kSpinUs; left = end - nowUs()) {
    usleep(static_cast<useconds_t>(std::min<std::int64_t>(left - kSpinUs, 500000)));
  }
  // Never shorter than asked: the chip's programming cycle must be over. A plain spin: yielding
  // on a busy machine gives the processor away for milliseconds, and every wait would be late.
  while (nowUs() < end) {
  }
}

std::int64_t RealClock::nowUs() const {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace tavrix
