#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "link/Port.h"
#include "link/PortSystem.h"

namespace tavrix {

// How `tavrix` opens the board's port at start-up: the device file's `portdevice` node and only
// that node when the file names one, otherwise the search of <dir>/lp0..2 then parport0..2.
// Every node goes through the same check (only a parallel port is used), and the port found
// is given the idle byte at once. Why each node was refused, and what to do about it, is
// written one line each to `problems` when given; the start-up box keeps its text.
std::function<std::unique_ptr<Port>(const QString&)> realPortOpener(PortSystem& system,
                                                                    std::string dir,
                                                                    std::ostream* problems);

}  // namespace tavrix
