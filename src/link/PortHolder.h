#pragma once

#include <cstddef>
#include <string>

#include "link/PortSystem.h"

namespace tavrix {

// Who holds a parallel port now, as the kernel lists it in
// /proc/sys/dev/parport/parportN/devices/active: a device's name ("ppdev0", "lp0"), or "none".
//
// The printer driver's every call on its node (open, the status request, each byte, close)
// first claims the port, and sleeps while another device holds it; a signal that ends that
// sleep leaves the driver going on as if it had the port, releasing what it never got, and the
// kernel's port sharing breaks (lockups follow). Such a sleep must not begin: a printer node is
// called only once this list says the port is free or the printer driver's own.
class PortHolder {
 public:
  // Opens the list of port number `port`; a list that cannot be opened never names a holder.
  PortHolder(PortSystem& system, unsigned port);
  ~PortHolder();
  PortHolder(const PortHolder&) = delete;
  PortHolder& operator=(const PortHolder&) = delete;

  // The device holding the port; empty when none does or the list cannot be read.
  std::string name();
  // Whether a device the printer driver would wait for (any but the printer driver itself)
  // holds the port. Safe in a signal handler.
  bool blocksPrinter() noexcept;

  // Room for a device's name, its end included.
  static constexpr std::size_t kNameSize = 64;

 private:
  // The holder's name into `name` (kNameSize bytes, ended by a NUL); its length, 0 for none.
  std::size_t read(char* name) noexcept;

  PortSystem& system_;
  int fd_;
};

// Whether the device `name` is the printer driver's ("lp0"): it waits for nothing of its own.
bool isPrinterDevice(const char* name) noexcept;

}  // namespace tavrix
