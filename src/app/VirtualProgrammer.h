#pragma once

#include <QString>

#include <memory>

#include "app/TTavrixForm.h"
#include "link/Clock.h"
#include "sim/ChipShelf.h"
#include "sim/VirtualBoard.h"

namespace tavrix {

// The virtual programmer board with one chip per device, kept while the program runs; the
// chip in the socket follows the device selected in the main window.
class VirtualProgrammer {
 public:
  explicit VirtualProgrammer(Clock& clock);

  // Start-up options for a main window on this board, reading `configPath`.
  StartupOptions startupOptions(const QString& configPath);

  // Puts on the board the faults listed in the environment variable TAVRIX_VIRTUAL_FAULT
  // (unset or empty: none). Returns the problem, ready to show, when the list cannot be used;
  // the board then has no fault and the program should not start on it.
  QString takeFaultsFromEnvironment();

  VirtualBoard& board() { return board_; }
  ChipShelf& shelf() { return shelf_; }
  // The chip now in the socket, or nullptr before any device was selected.
  VirtualChip* chip() const { return board_.chip(); }

  // /etc/Tavrix.ini when it exists and can be read, else the device file installed with the
  // program, else `shippedPath` (the one in the source tree it was built from).
  static QString defaultConfigPath(const QString& shippedPath,
                                   const QString& systemPath = QStringLiteral("/etc/Tavrix.ini"));
  // Shown in the window caption and the About box; it names the board's faults.
  QString boardNote() const;

 private:
  Clock& clock_;
  VirtualBoard board_;
  ChipShelf shelf_;
};

}  // namespace tavrix
