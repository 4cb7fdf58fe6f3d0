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

  // The lines telling the user why no port is open: "node: reason" for every node that exists,
  // or a single line when none of the nodes tried exists.
  std::vector<std::string> problemLines() const;
};

// Opens exactly `path` as the port, or refuses it before a single byte is written. Only a
// character device that answers a parallel-port driver is used: one that takes the
// parallel-port driver's exclusive claim becomes a PpdevPort, one that answers the printer
// driver's status request an LptPort. The node is opened read-write without creating it,
// without waiting (neither for a FIFO's writer nor for a line's carrier) and without becoming
// a controlling terminal, then locked for writing without waiting.
PortOpening openPortNode(PortSystem& system, const std::string& path);

// The port search: <dir>/lp0, lp1, lp2, then <dir>/parport0, parport1, parport2; the first node
// that openPortNode takes is the port.
PortOpening PortOpen(PortSystem& system, const std::string& dir = "/dev");

// The node the user named (`node`, when not empty) and only that node; otherwise the search.
PortOpening openNamedOrSearch(PortSystem& system, const std::string& node,
                              const std::string& dir = "/dev");

// "controlador de impresora (lp)" or "controlador de puerto paralelo (ppdev)".
std::string portKindName(PortKind kind);

}  // namespace tavrix
