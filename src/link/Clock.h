#pragma once

#include <cstdint>

namespace tavrix {

// Time for the link and the virtual chip: millisecond sleeps and the current time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual void sleepMs(int ms) = 0;
  // Microseconds since an arbitrary start.
  virtual std::int64_t nowUs() const = 0;
  // Waits at least `us` microseconds: the short settling times of the board's lines. Taken as
  // a sleep of whole milliseconds unless the clock can do better; zero or less returns at once.
  virtual void waitUs(std::int64_t us) {
    if (us > 0) sleepMs(int((us + 999) / 1000));
  }
};

}  // namespace tavrix
