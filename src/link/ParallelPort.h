#pragma once

#include <errno.h>

#include <cstdint>
#include <string>

#include "link/Port.h"
#include "link/PortSystem.h"

namespace tavrix {

// How long one call on a port node may wait for its driver: the opening, the parallel-port
// driver's claim, the printer driver's status request and each byte it is given.
inline constexpr int kPortWaitMs = 1000;
// The status bit of a peripheral that is ready: the BUSY pin held low (the port inverts it).
inline constexpr int kStatusNotBusy = 0x80;

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
  // The kernel's number of the port behind the node (N of parportN).
  unsigned portNumber() const { return portNumber_; }
  // Gives the port back and closes the handle; the data lines keep their last value.
  virtual void PortClose() = 0;
  // Writes the low 8 bits of `value`; false when the write failed.
  bool PortWrite(int value) { return writeByte(static_cast<std::uint8_t>(value & 0xFF)); }
  // The status byte; 0 when the request failed.
  std::uint8_t PortStatus() { return readStatus(); }

 protected:
  ParallelPort(PortSystem& system, int handle, std::string path, PortKind kind, unsigned portNumber)
      : system_(system),
        handle_(handle),
        path_(std::move(path)),
        kind_(kind),
        portNumber_(portNumber) {}
  // Closes the handle without a word to the driver first. The port reads as closed before the
  // handle goes, so a signal handler never writes to a number the system may hand out again.
  void closeHandle();

  PortSystem& system_;
  int handle_;
  std::string path_;
  PortKind kind_;
  unsigned portNumber_;
};

// Repeats a system call cut short by a signal before it did anything.
template <typename Call>
auto retryInterrupted(Call call) {
  auto result = call();
  while (result < 0 && errno == EINTR) result = call();
  return result;
}

// Makes a system call that may sleep in the driver, for at most `ms` in all: `*cut` is set when
// the bound cut it short (its result then says nothing of the port). Cut short by any other
// signal, it is made again for the time left.
template <typename Call>
auto callWithin(PortSystem& system, int ms, bool* cut, Call call) {
  const std::int64_t deadline = system.monotonicMs() + ms;
  for (;;) {
    const std::int64_t left = deadline - system.monotonicMs();
    system.startAlarm(left > 1 ? int(left) : 1);
    auto result = call();
    const int error = errno;
    *cut = system.stopAlarm();
    errno = error;
    if (*cut || !(result < 0 && error == EINTR)) return result;
  }
}

// The node of the parallel-port driver for port number `port`: /dev/parportN.
std::string ppdevNodeOf(unsigned port);
// Why a port node cannot be used while the device `holder` (its name as the kernel lists it)
// holds the port, said for the user; empty for no holder.
std::string heldReason(const std::string& holder);
// The same for the device that holds port number `port` now (PortHolder); empty when none does
// or the kernel's list cannot be read.
std::string holderReason(PortSystem& system, unsigned port);

}  // namespace tavrix
