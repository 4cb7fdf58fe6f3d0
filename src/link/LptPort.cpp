#include "link/LptPort.h"

#include <linux/lp.h>
#include <string.h>

#include "link/BoundedWrite.h"
#include "link/LinkTexts.h"

namespace tavrix {

namespace {

// The driver cannot be polled for room: a byte refused is tried again after a short nap.
constexpr int kNapMs = 1;
// How often a port another device holds is looked at again before closing.
constexpr int kHolderLookMs = 10;

}  // namespace

LptPort::LptPort(PortSystem& system, int handle, std::string path, unsigned portNumber)
    : ParallelPort(system, handle, std::move(path), PortKind::Printer, portNumber),
      holder_(system, portNumber) {}

LptPort::~LptPort() {
  PortClose();
}

void LptPort::PortClose() {
  if (handle_ > 0) {
    const std::int64_t deadline = system_.monotonicMs() + kPortWaitMs;
    while (holder_.blocksPrinter() && system_.monotonicMs() < deadline)
      system_.poll(-1, 0, kHolderLookMs);
  }
  closeHandle();
}

LptPort::Put LptPort::putByte(int handle, unsigned char byte, int budgetMs, int* error) noexcept {
  // The clock is read only once a try has failed: a byte taken at once costs the look at the
  // holder, the write and the alarm's two calls.
  std::int64_t deadline = -1;
  int left = budgetMs;
  for (;;) {
    if (holder_.blocksPrinter()) return Put::Held;
    // With the port free the driver's claim does not wait: the alarm can only end a nap on a
    // printer error, which is safe to cut short.
    system_.startAlarm(left);
    const ssize_t n = system_.write(handle, &byte, 1);
    const int writeError = errno;
    const bool cut = system_.stopAlarm();
    if (n == 1) return Put::Taken;
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
  if (put == Put::Held || put == Put::Cut) reason = heldReason(holder_.name());
  if (reason.empty()) reason = texts::byteNotTaken(ppdevNodeOf(portNumber_));
  problem_ = path_ + ": " + reason + ".";
  return false;
}

std::uint8_t LptPort::readStatus() {
  if (handle_ < 1 || holder_.blocksPrinter()) return 0;
  int status = 0;
  if (retryInterrupted([&] { return system_.ioctl(handle_, LPGETSTATUS, &status); }) < 0) return 0;
  return static_cast<std::uint8_t>(status & 0xFF);
}

bool LptPort::goIdleNow() noexcept {
  const int handle = handle_;
  if (handle < 1 || holder_.blocksPrinter()) return false;
  const int flags = system_.fcntl(handle, F_GETFL, 0);
  if (flags >= 0 && !(flags & O_NONBLOCK)) system_.fcntl(handle, F_SETFL, flags | O_NONBLOCK);
  int error = 0;
  return putByte(handle, kIdleLines, kEndingWriteBudgetMs, &error) == Put::Taken;
}

}  // namespace tavrix
