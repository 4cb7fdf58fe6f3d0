#include "link/VirtualClock.h"

namespace tavrix {

void VirtualClock::sleepMs(int ms) {
  if (ms > 0) nowUs_ += static_cast<std::int64_t>(ms) * 1000;
}

void VirtualClock::advanceUs(std::int64_t us) {
  if (us > 0) nowUs_ += us;
}

}  // namespace tavrix
