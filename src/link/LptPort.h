#pragma once

#include <string>

#include "link/Port.h"

namespace tavrix {

// The programmer board on the PC parallel port, reached through the Linux printer device.
// Owns the port's handle from PortOpen until PortClose (or destruction).
class LptPort : public Port {
 public:
  // `dir` holds the printer nodes lp0, lp1 and lp2; tests point it at a temporary folder.
  explicit LptPort(std::string dir = "/dev");
  ~LptPort() override;
  LptPort(const LptPort&) = delete;
  LptPort& operator=(const LptPort&) = delete;

  // Tries <dir>/lp0, lp1 and lp2 in order and keeps the first that opens for reading and
  // writing and takes an exclusive write lock without waiting. Returns the handle, below 1
  // when no node could be used. A port already open is kept and its handle returned.
  int PortOpen();
  // Opens exactly `path` with the same open and lock as PortOpen (a user who names the node).
  // Returns the handle, below 1 when the node cannot be used. A port already open is kept.
  int openNode(const std::string& path);
  // The open handle; below 1 when no port is open.
  int PortHandle() const { return handle_; }
  // The node in use, empty when no port is open.
  const std::string& portPath() const { return path_; }
  // Closes the handle (and so releases the lock); the data lines keep their last value.
  void PortClose();
  // Writes the low 8 bits of `value` as one byte; false when the write failed.
  bool PortWrite(int value);
  // The printer driver's status byte; 0 when the request failed.
  std::uint8_t PortStatus();

  bool writeByte(std::uint8_t value) override { return PortWrite(value); }
  std::uint8_t readStatus() override { return PortStatus(); }

 private:
  std::string dir_;
  std::string path_;
  int handle_ = -1;
};

}  // namespace tavrix
