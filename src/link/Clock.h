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
};

}  // namespace tavrix
