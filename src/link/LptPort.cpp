#include "link/LptPort.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <utility>

namespace tavrix {

namespace {

// The printer driver's status request (linux/lp.h).
constexpr unsigned long kLpGetStatus = 0x060B;

// Opens and locks one node; the handle, or -1 when the node cannot be used.
int openLocked(const std::string& path) {
  // Close-on-exec keeps the port and its lock from leaking into programs we might start.
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return -1;
  if (fd == 0) {
    // A handle of 0 reads as "no port"; move it up before the lock is taken.
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    if (moved < 0) return -1;
    fd = moved;
  }
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // the whole file
  if (::fcntl(fd, F_SETLK, &lock) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

LptPort::LptPort(std::string dir) : dir_(std::move(dir)) {}

LptPort::~LptPort() {
  PortClose();
}

int LptPort::PortOpen() {
  if (handle_ > 0) return handle_;
  for (int i = 0; i < 3; ++i) {
    std::string path = dir_ + "/lp" + std::to_string(i);
    const int fd = openLocked(path);
    if (fd > 0) {
      handle_ = fd;
      path_ = std::move(path);
      return handle_;
    }
  }
  return handle_;
}

int LptPort::openNode(const std::string& path) {
  if (handle_ > 0) return handle_;
  const int fd = openLocked(path);
  if (fd > 0) {
    handle_ = fd;
    path_ = path;
  }
  return handle_;
}

void LptPort::PortClose() {
  if (handle_ > 0) ::close(handle_);
  handle_ = -1;
  path_.clear();
}

bool LptPort::PortWrite(int value) {
  if (handle_ < 1) return false;
  const unsigned char byte = static_cast<unsigned char>(value & 0xFF);
  ssize_t written;
  do {
    written = ::write(handle_, &byte, 1);  // a signal before the byte went out is not a failure
  } while (written < 0 && errno == EINTR);
  return written == 1;
}

std::uint8_t LptPort::PortStatus() {
  if (handle_ < 1) return 0;
  int value = 0;
  if (::ioctl(handle_, kLpGetStatus, &value) < 0) return 0;
  return static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace tavrix
