#pragma once

#include "link/Port.h"

namespace tavrix {

// A board that is not there: every write succeeds and the status byte is always 0.
class NullPort : public Port {
 public:
  bool writeByte(std::uint8_t) override { return true; }
  std::uint8_t readStatus() override { return 0; }
};

}  // namespace tavrix
