#pragma once

#include "link/ParallelPort.h"

namespace tavrix {

// The board reached through the printer driver: one write(2) of one byte sets the data lines
// (the driver handshakes it), LPGETSTATUS reads the status lines.
class LptPort : public ParallelPort {
 public:
  // Takes over `handle`, already opened, locked and asked by the opening (PortOpening.h).
  LptPort(PortSystem& system, int handle, std::string path);
  ~LptPort() override;

  void PortClose() override;
  bool writeByte(std::uint8_t value) override;
  std::uint8_t readStatus() override;
  // One non-blocking write, tried again for up to kEndingWriteBudgetMs while the driver is busy
  // (a printer's handshake that never comes); the handle is left non-blocking.
  bool goIdleNow() noexcept override;
};

}  // namespace tavrix
