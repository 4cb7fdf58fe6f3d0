#include "link/LptPort.h"

#include <linux/lp.h>
#include <string.h>

#include "link/BoundedWrite.h"
#include "link/LinkTexts.h"

namespace tavrix {

namespace {

// The driver cannot be polled for room: a byte refused is tried again after a short nap.
constexpr int kNapMs = 1;

}  // namespace

LptPort::LptPort(PortSystem& system, int handle, std::string path, unsigned portNumber)
    : ParallelPort(system, handle, std::move(path), PortKind::Printer, portNumber) {}

LptPort::~LptPort() {
  PortClose();
}

void LptPort::PortClose() {
  closeHandle();
}

LptPort::Put LptPort::putByte(int handle, unsigned char byte, int budgetMs, int* error) noexcept {
  // The clock is read only once a try has failed: a byte taken at once costs the write and the
  // alarm's two calls.
  std::int64_t deadline = -1;
  int left = budgetMs;
  for (;;) {
    system_.startAlarm(left);
    const ssize_t n = system_.write(handle, &byte, 1);
    const int writeError = errno;
    const bool cut = system_.stopAlarm();
    if (n == 1) return Put::Taken;
    // The driver slept until the alarm: it waits for the port, or for a handshake that a
    // blocking handle would wait for without end.
    if (cut) return Put::Cut;
    if (n < 0 && writeError != EAGAIN && writeError != EWOULDBLOCK && writeError != EINTR) {
      *error = writeError;
      return Put::Failed;
    }
    const std::int64_t now = system_.monotonicMs();
    if (deadline < 0) deadline = now + budgetMs;
    if (now >= deadline) return Put::NotTaken;
    left = int(deadline - now);
    system_.poll(-1, 0, kNapMs);
  }
}

int LptPort::budgetMs() {
  return stuck_ ? kRetryBudgetMs : kPortWaitMs;
}

bool LptPort::writeByte(std::uint8_t value) {
  if (handle_ < 1) return false;
  if (stuck_ && system_.monotonicMs() - lastTryMs_ < kRetryGapMs) return false;
  int error = 0;
  const Put put = putByte(handle_, value, budgetMs(), &error);
  if (put == Put::Taken) {
    stuck_ = false;
    problem_.clear();
    return true;
  }
  stuck_ = true;
  lastTryMs_ = system_.monotonicMs();
  std::string reason;
  if (put == Put::Failed) reason = texts::nodeSystemError(::strerror(error));
  if (put == Put::Cut) reason = holderReason(system_, portNumber_);
  if (reason.empty()) reason = texts::byteNotTaken(ppdevNodeOf(portNumber_));
  problem_ = path_ + ": " + reason + ".";
  return false;
}

std::uint8_t LptPort::readStatus() {
  if (handle_ < 1) return 0;
  int status = 0;
  bool cut = false;
  // Cut short, the driver reads the lines all the same.
  if (callWithin(system_, budgetMs(), &cut,
                 [&] { return system_.ioctl(handle_, LPGETSTATUS, &status); }) < 0)
    return 0;
  return static_cast<std::uint8_t>(status & 0xFF);
}

bool LptPort::goIdleNow() noexcept {
  const int handle = handle_;
  if (handle < 1) return false;
  int error = 0;
  return putByte(handle, kIdleLines, kEndingWriteBudgetMs, &error) == Put::Taken;
}

}  // namespace tavrix
