#pragma once

#include <cstdint>
#include <string>

namespace tavrix {

// The board's idle pattern, the byte CmdProgModeOff writes: chip supply cut, VPP off, MCLR
// released, data driver released.
inline constexpr std::uint8_t kIdleLines = 0x24;

// The programmer board as the link sees it: eight data lines set by one byte, and a status
// byte whose bit 0x40 carries the chip's data line back.
class Port {
 public:
  virtual ~Port() = default;
  // Puts one byte on the data lines; false when the write failed (the lines keep their value).
  virtual bool writeByte(std::uint8_t value) = 0;
  // The status byte; 0 when the request failed.
  virtual std::uint8_t readStatus() = 0;
  // Puts kIdleLines on the data lines for a program that is ending or stopping on a signal
  // (one that stops goes on writing afterwards, through this same port). It may run in
  // a signal handler, in the middle of any other call: it only makes system calls that are
  // safe there, allocates nothing and gives up on a port that has not taken the byte within
  // about a second. False when the byte was not put on the lines. A port that cannot do so
  // safely does nothing.
  virtual bool goIdleNow() noexcept { return false; }
  // Why the port refused its last write, for the user (Spanish, naming the node); empty when
  // it gave no reason.
  virtual std::string writeProblem() const { return {}; }
};

}  // namespace tavrix
