#pragma once

#include "link/ParallelPort.h"

namespace tavrix {

// The board reached through the parallel-port driver (ppdev): PPWDATA puts a byte straight on
// the data lines with no handshake, PPRSTATUS reads the status lines (the same bits as the
// printer driver's status). The port is claimed while open: for exclusive use when no other
// driver is registered on it, else shared, which still keeps the printer driver off it.
class PpdevPort : public ParallelPort {
 public:
  // Takes over `handle`, already opened, locked, claimed and set to drive the data lines;
  // `portNumber` is the N of its parportN.
  PpdevPort(PortSystem& system, int handle, std::string path, unsigned portNumber = 0);
  ~PpdevPort() override;

  // PPRELEASE, then close.
  void PortClose() override;
  bool writeByte(std::uint8_t value) override;
  std::uint8_t readStatus() override;
  // PPWDATA sets the lines at once, with no handshake to wait for: one call.
  bool goIdleNow() noexcept override;
  std::string writeProblem() const override { return problem_; }

 private:
  std::string problem_;
};

}  // namespace tavrix
