#pragma once

#include <cstdint>
#include <functional>

#include "link/Port.h"
#include "sim/BoardFaults.h"

namespace tavrix {

class VirtualChip;
class VirtualClock;

// The programmer board, in software: a Port whose data-line byte drives a virtual chip.
//
//   bit 0 (0x01)  data to PGD (RB7)
//   bit 1 (0x02)  clock to PGC (RB6)
//   bit 2 (0x04)  releases the data driver, so the chip can drive PGD
//   bit 3 (0x08)  VPP on MCLR
//   bit 4 (0x10)  MCLR pulled to ground
//   bit 5 (0x20)  chip supply (VDD) cut
//
// The status byte carries PGD in bit 0x40: the chip's PGD while the data driver is released
// (a released line nobody drives reads 0), the host's own data bit otherwise. Every other
// status bit reads 0.
//
// The board does not own the chip. An empty socket is allowed: PGD then reads as above with no
// chip driving it. Switching chips takes the old one out (it sees its supply go) and puts the
// new one in under the lines as they stand.
//
// Faults (BoardFaults) are the board's own: with "nochip" the chip is kept out of the socket,
// "novpp" keeps VPP off the chip, "data0"/"data1" hold PGD at one level for the chip and for
// the status bit alike, "slow" spends kSlowByteUs of real time on every byte written.
class VirtualBoard : public Port {
 public:
  // Lines before the first write: 0x24, supply cut and data driver released.
  static constexpr std::uint8_t kInitialLines = 0x24;

  explicit VirtualBoard(VirtualChip* chip = nullptr);

  bool writeByte(std::uint8_t value) override;
  std::uint8_t readStatus() override;
  // The lines become kIdleLines and nothing else happens: the chip is not driven from a signal
  // handler (its model may be in the middle of a change), and nothing of it outlives the
  // program that is ending. A program that stops on a signal and is continued writes the idle
  // byte again (Program Mode Off), which the chip then feels.
  bool goIdleNow() noexcept override;

  // The chip the board holds; with the "nochip" fault it stays out of the socket.
  VirtualChip* chip() const { return chip_; }
  void setChip(VirtualChip* chip);
  // The last byte written to the data lines.
  std::uint8_t lines() const { return lines_; }
  std::uint64_t bytesWritten() const { return bytesWritten_; }
  std::uint64_t statusReads() const { return statusReads_; }

  // Puts faults on the board (or takes them off); the chip feels the change at once.
  void setFaults(const BoardFaults& faults);
  const BoardFaults& faults() const { return faults_; }
  // A board run on a virtual clock moves it on by each slow byte's delay as well, so the chip
  // and whoever times the port by that clock see the time pass. Null: no virtual clock.
  void setVirtualClock(VirtualClock* clock) { virtualClock_ = clock; }
  // Spends a slow byte's real time; by default a wait of at least that long (tests count).
  void setRealWait(std::function<void(std::int64_t us)> wait);

 private:
  VirtualChip* socketChip() const;
  bool pgdLevel() const;
  void drive();

  VirtualChip* chip_;
  BoardFaults faults_;
  VirtualClock* virtualClock_ = nullptr;
  std::function<void(std::int64_t us)> realWait_;
  std::uint8_t lines_ = kInitialLines;
  std::uint64_t bytesWritten_ = 0;
  std::uint64_t statusReads_ = 0;
};

}  // namespace tavrix
