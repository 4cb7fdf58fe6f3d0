#pragma once

#include "link/ParallelPort.h"
#include "link/PortHolder.h"

namespace tavrix {

// The board reached through the printer driver: one write(2) of one byte sets the data lines
// (the driver handshakes it), LPGETSTATUS reads the status lines.
//
// The driver claims the port for every call, and sleeps while another device holds it: no call
// is made while the kernel's list names such a holder (PortHolder); the byte or the status is
// refused at once instead. The driver also waits for BUSY low before each byte, and naps on a
// printer error: every byte is given kPortWaitMs, on a non-blocking handle and under the
// system's alarm. A byte not taken in that time is refused, with the reason (writeProblem);
// from then on the port is tried again only now and then, with a short bound, and every other
// byte is refused at once, so that a run on a board that takes nothing stops at once instead of
// waiting for each of its bytes. A byte taken again makes it a sound port.
class LptPort : public ParallelPort {
 public:
  // Takes over `handle`, already opened (non-blocking), locked and asked by the opening
  // (PortOpening.h); `portNumber` is the N of the parportN it sits on.
  LptPort(PortSystem& system, int handle, std::string path, unsigned portNumber = 0);
  ~LptPort() override;

  // Closing claims the port once more: a port another device holds is given kPortWaitMs to be
  // let go first.
  void PortClose() override;
  bool writeByte(std::uint8_t value) override;
  // 0, without a call, while another device holds the port.
  std::uint8_t readStatus() override;
  // One byte, given up to kEndingWriteBudgetMs whatever happened before; none while another
  // device holds the port.
  bool goIdleNow() noexcept override;
  std::string writeProblem() const override { return problem_; }

  // A port that did not take a byte is tried again this long after that try, for this long.
  static constexpr int kRetryGapMs = 1000;
  static constexpr int kRetryBudgetMs = 20;

 private:
  enum class Put { Taken, NotTaken, Held, Cut, Failed };
  // Writes `byte` to `handle` within `budgetMs`; `*error` is set when it Failed. Safe in a
  // signal handler.
  Put putByte(int handle, unsigned char byte, int budgetMs, int* error) noexcept;
  int budgetMs();

  PortHolder holder_;
  bool stuck_ = false;
  std::int64_t lastTryMs_ = 0;  // when the last byte refused was given up
  std::string problem_;
};

}  // namespace tavrix
