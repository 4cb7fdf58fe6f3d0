#include "link/BoundedWrite.h"

#include <errno.h>
#include <poll.h>

#include <algorithm>

namespace tavrix {

namespace {

// The longest single wait for the descriptor to take more; a driver that cannot be polled
// (the printer driver) says it is ready at once, so a refused write is also followed by a
// short nap before the next try.
constexpr int kWaitMs = 10;
constexpr int kNapMs = 1;

}  // namespace

bool writeWithin(PortSystem& system, int fd, const void* data, std::size_t size,
                 int budgetMs) noexcept {
  if (fd < 0) return false;
  const int flags = system.fcntl(fd, F_GETFL, 0);
  if (flags >= 0 && !(flags & O_NONBLOCK)) system.fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  const std::int64_t deadline = system.monotonicMs() + budgetMs;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = system.write(fd, bytes, size);
    if (n > 0) {
      bytes += n;
      size -= std::size_t(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
    const std::int64_t left = deadline - system.monotonicMs();
    if (left <= 0) return false;
    const int wait = int(std::min<std::int64_t>(left, kWaitMs));
    if (system.poll(fd, POLLOUT, wait) != 0) system.poll(-1, 0, std::min(wait, kNapMs));
  }
  return true;
}

}  // namespace tavrix
