#pragma once

#include <cstdint>

namespace tavrix {

// The programmer board as the link sees it: eight data lines set by one byte, and a status
// byte whose bit 0x40 carries the chip's data line back.
class Port {
 public:
  virtual ~Port() = default;
  // Puts one byte on the data lines; false when the write failed (the lines keep their value).
  virtual bool writeByte(std::uint8_t value) = 0;
  // The status byte; 0 when the request failed.
  virtual std::uint8_t readStatus() = 0;
};

}  // namespace tavrix
