#pragma once

#include <functional>

#include "link/ParallelPort.h"
#include "link/Port.h"

namespace tavrix::cli {

// A tool stopped by a signal (Ctrl+C, kill, a closed terminal) while it drives the board would
// leave the chip powered with VPP on. While a port is watched, such a signal first puts the
// idle pattern (supply cut, MCLR released from VPP) on the lines, then ends the program as the
// signal would.
namespace Interruption {

// Installs the handlers for SIGINT, SIGTERM and SIGHUP; once, before any command runs.
void install();
// The real port: the handler itself writes the idle byte to `handle` with one system call, in
// the way the port's driver takes it.
void watch(int handle, PortKind kind);
// The virtual board: the handler only notes the signal. The next byte for the board becomes
// the idle byte (see IdleGuardPort), `beforeEnd` runs (the trace is completed) and the program
// ends as the signal would.
void watchDeferred(std::function<void()> beforeEnd);
// Watches nothing any more. A signal noted and not yet acted on ends the program now, after
// the `beforeEnd` of watchDeferred.
void unwatch();

// Sits between the link and the virtual board: passes everything through until a signal is
// noted, then writes the idle byte in place of the next one and ends the program.
class IdleGuardPort : public Port {
 public:
  explicit IdleGuardPort(Port& inner) : inner_(inner) {}
  bool writeByte(std::uint8_t value) override;
  std::uint8_t readStatus() override { return inner_.readStatus(); }

 private:
  Port& inner_;
};

}  // namespace Interruption

}  // namespace tavrix::cli
