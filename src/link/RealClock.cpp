#include "link/RealClock.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace tavrix {

void RealClock::sleepMs(int ms) {
  if (ms <= 0) return;
  const std::int64_t end = nowUs() + static_cast<std::int64_t>(ms) * 1000;
  // usleep may refuse a second or more, and returns early on a signal: sleep in pieces until due.
  for (std::int64_t left = end - nowUs(); left > 0; left = end - nowUs()) {
    usleep(static_cast<useconds_t>(std::min<std::int64_t>(left, 500000)));
  }
}

std::int64_t RealClock::nowUs() const {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace tavrix
