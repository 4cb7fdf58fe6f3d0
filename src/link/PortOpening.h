#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/ParallelPort.h"
#include "link/PortSystem.h"

namespace tavrix {

// A node that was tried and not used, and why (a Spanish text for the user).
struct PortRefusal {
  std::string node;
  std::string reason;
  bool missing = false;  // the node does not exist
};

// What opening the port gave: the port, or nothing and the nodes refused on the way. A port
// found after refusals keeps them too.
struct PortOpening {
  std::unique_ptr<ParallelPort> port;
  std::vector<PortRefusal> refusals;
  // What to do about it, when no node could be used (a USB adapter, a driver not loaded).
  std::vector<std::string> advice;

  // The lines telling the user why no port is open: "node: reason" for every node that exists,
  // or a single line when none of the nodes tried exists; then the advice.
  std::vector<std::string> problemLines() const;
};

// Opens exactly `path` as the port, or refuses it before a single byte is written. Only a
// character device that answers a parallel-port driver is used: one that takes the
// parallel-port driver's claim becomes a PpdevPort (exclusive when it can be had, else shared
// with the printer driver, which then cannot take the port while it is held), one that answers
// the printer driver's status request with BUSY low an LptPort. The node is opened read-write
// and non-blocking without creating it, without waiting (neither for a FIFO's writer nor for a
// line's carrier) and without becoming a controlling terminal, then locked for writing without
// waiting; the opened node must be the device that was looked at. A port another device holds
// (the kernel's list, PortHolder) is refused before its node is opened, unless the holder is
// the printer driver; the parallel-port driver's claim, which waits for it, is bounded by
// kPortWaitMs.
PortOpening openPortNode(PortSystem& system, const std::string& path);

// The port search: <dir>/lp0, lp1, lp2, then <dir>/parport0, parport1, parport2; the first node
// that openPortNode takes is the port. When none is, the advice says what the system lacks.
PortOpening PortOpen(PortSystem& system, const std::string& dir = "/dev");

// The node the user named (`node`, when not empty) and only that node; otherwise the search.
// A named port node of <dir> that does not exist gets the search's advice.
PortOpening openNamedOrSearch(PortSystem& system, const std::string& node,
                              const std::string& dir = "/dev");

// "controlador de impresora (lp)" or "controlador de puerto paralelo (ppdev)".
std::string portKindName(PortKind kind);

}  // namespace tavrix
