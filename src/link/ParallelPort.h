#pragma once

#include <errno.h>

#include <cstdint>
#include <string>

#include "link/Port.h"
#include "link/PortSystem.h"

namespace tavrix {

// The kernel's two ways to a PC parallel port: the printer driver (/dev/lpN), which handshakes
// every byte as if a printer were attached, and the parallel-port driver (ppdev,
// /dev/parportN), which sets the data lines directly.
enum class PortKind { Printer, Ppdev };

// A parallel port opened through one of those drivers (see PortOpening.h for how one is
// opened). It owns its handle, and with it the advisory lock on the node, from opening until
// PortClose or destruction.
class ParallelPort : public Port {
 public:
  ~ParallelPort() override = default;
  ParallelPort(const ParallelPort&) = delete;
  ParallelPort& operator=(const ParallelPort&) = delete;

  // The open handle; below 1 once the port is closed.
  int PortHandle() const { return handle_; }
  // The node in use; empty once the port is closed.
  const std::string& portPath() const { return path_; }
  PortKind kind() const { return kind_; }
  // Gives the port back and closes the handle; the data lines keep their last value.
  virtual void PortClose() = 0;
  // Writes the low 8 bits of `value`; false when the write failed.
  bool PortWrite(int value) { return writeByte(static_cast<std::uint8_t>(value & 0xFF)); }
  // The status byte; 0 when the request failed.
  std::uint8_t PortStatus() { return readStatus(); }

 protected:
  ParallelPort(PortSystem& system, int handle, std::string path, PortKind kind)
      : system_(system), handle_(handle), path_(std::move(path)), kind_(kind) {}
  // Closes the handle without a word to the driver first. The port reads as closed before the
  // handle goes, so a signal handler never writes to a number the system may hand out again.
  void closeHandle();

  PortSystem& system_;
  int handle_;
  std::string path_;
  PortKind kind_;
};

// Repeats a system call cut short by a signal before it did anything.
template <typename Call>
auto retryInterrupted(Call call) {
  auto result = call();
  while (result < 0 && errno == EINTR) result = call();
  return result;
}

}  // namespace tavrix
