#include "link/TraceFile.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>

#include <cstring>

#include "link/BoundedWrite.h"

namespace tavrix {

TraceFile::TraceFile(int fd, PortSystem& system)
    : system_(system), fd_(fd), buffer_(new char[kCapacity]) {
  const int flags = system_.fcntl(fd_, F_GETFL, 0);
  if (flags >= 0) system_.fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
}

TraceFile::~TraceFile() {
  close();
}

void TraceFile::append(std::string_view line) {
  const std::size_t need = line.size() + 1;
  if (need > kCapacity) return;  // no line of a trace is that long
  for (;;) {
    if (fd_ < 0 || error_) return;
    std::size_t used = committed_.load(std::memory_order_relaxed);
    if (used + need > kCapacity) {
      if (!flush()) return;
      continue;
    }
    std::memcpy(buffer_.get() + used, line.data(), line.size());
    buffer_[used + line.size()] = '\n';
    // The bytes are in place before the handler may count them.
    std::atomic_signal_fence(std::memory_order_release);
    // A handler that came in the middle (a stop signal, after which the program goes on) has
    // written out the buffer with its own line last: this line then follows it, copied again.
    if (committed_.compare_exchange_strong(used, used + need, std::memory_order_relaxed)) return;
  }
}

void TraceFile::reserve(std::size_t bytes) {
  if (fd_ >= 0 && !error_ && committed_.load(std::memory_order_relaxed) + bytes > kCapacity)
    flush();
}

long TraceFile::writeSome() {
  sigset_t all;
  sigset_t before;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &before);
  const std::size_t used = committed_.load(std::memory_order_relaxed);
  const ssize_t n = system_.write(fd_, buffer_.get(), used);
  const int saved = errno;
  if (n > 0) {
    // What is left, the rest of a line cut by a short write among it, moves to the front.
    std::memmove(buffer_.get(), buffer_.get() + n, used - std::size_t(n));
    committed_.store(used - std::size_t(n), std::memory_order_relaxed);
  }
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  errno = saved;
  return long(n);
}

bool TraceFile::flush() {
  if (fd_ < 0) return false;
  while (!error_ && committed_.load(std::memory_order_relaxed) > 0) {
    if (writeSome() >= 0) continue;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      system_.poll(fd_, POLLOUT, -1);  // the signals are free while the reader catches up
      continue;
    }
    error_ = errno;
    committed_.store(0, std::memory_order_relaxed);
  }
  return !error_;
}

bool TraceFile::close() {
  if (fd_ < 0) return !error_;
  flush();
  const int fd = fd_;
  fd_ = -1;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (system_.close(fd) != 0 && !error_) error_ = errno;
  return !error_;
}

void TraceFile::completeOnSignal(std::string_view line) noexcept {
  const int fd = fd_;
  if (fd < 0 || error_) return;
  std::size_t used = committed_.load(std::memory_order_relaxed);
  std::atomic_signal_fence(std::memory_order_acquire);
  if (used + line.size() + 1 > kCapacity) {
    writeWithin(system_, fd, buffer_.get(), used, kEndingWriteBudgetMs);
    used = 0;
  }
  // Whatever an interrupted append left past the committed lines is not a line yet.
  if (!line.empty()) {
    std::memcpy(buffer_.get() + used, line.data(), line.size());
    buffer_[used + line.size()] = '\n';
    used += line.size() + 1;
  }
  committed_.store(0, std::memory_order_relaxed);
  writeWithin(system_, fd, buffer_.get(), used, kEndingWriteBudgetMs);
}

}  // namespace tavrix
