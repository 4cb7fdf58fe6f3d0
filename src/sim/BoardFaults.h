#pragma once

#include <QString>

#include <cstdint>

namespace tavrix {

// Faults the virtual programmer board can be given, to see what a user with a broken board
// sees. A list names them separated by commas: "nochip,slow".
//
// - nochip: the socket is empty. The data line reads as the board's pull-down leaves it (0)
//   whenever the host releases it; with the host driving it, it reads the host's bit.
// - novpp: the programming voltage never reaches MCLR, so the chip never enters programming
//   mode; it is powered and answers nothing.
// - data0, data1: the data line is stuck at 0 or at 1, in both directions: the host's status
//   bit always reads the stuck level, and the chip sees that level as its PGD input (at 1 it
//   cannot even enter programming mode, which wants PGD low).
// - slow: every byte written to the port takes 200 µs of real time, as a port that waits on
//   handshake lines does.
struct BoardFaults {
  bool noChip = false;
  bool noVpp = false;
  bool data0 = false;
  bool data1 = false;
  bool slow = false;

  bool any() const { return noChip || noVpp || data0 || data1 || slow; }
  // The faults as a list in a fixed order ("nochip,novpp,data0,data1,slow"); empty for none.
  QString names() const;
};

// Real time each byte takes on a slow board.
inline constexpr std::int64_t kSlowByteUs = 200;

// Parses a fault list. Names are matched exactly, spaces around them are allowed, a name given
// twice counts once. False, with the problem in Spanish, for an empty list, an unknown or
// empty name, or data0 with data1 (a line is stuck at one level).
bool parseBoardFaults(const QString& list, BoardFaults* faults, QString* problem);

}  // namespace tavrix
