#include "link/PpdevPort.h"

#include <linux/ppdev.h>
#include <string.h>
#include <sys/ioctl.h>

#include "link/LinkTexts.h"

namespace tavrix {

PpdevPort::PpdevPort(PortSystem& system, int handle, std::string path, unsigned portNumber)
    : ParallelPort(system, handle, std::move(path), PortKind::Ppdev, portNumber) {}

PpdevPort::~PpdevPort() {
  PortClose();
}

void PpdevPort::PortClose() {
  if (handle_ > 0) retryInterrupted([&] { return system_.ioctl(handle_, PPRELEASE, nullptr); });
  closeHandle();
}

bool PpdevPort::writeByte(std::uint8_t value) {
  if (handle_ < 1) return false;
  unsigned char byte = value;
  if (retryInterrupted([&] { return system_.ioctl(handle_, PPWDATA, &byte); }) == 0) {
    problem_.clear();
    return true;
  }
  problem_ = path_ + ": " + texts::nodeSystemError(::strerror(errno)) + ".";
  return false;
}

std::uint8_t PpdevPort::readStatus() {
  if (handle_ < 1) return 0;
  unsigned char status = 0;
  if (retryInterrupted([&] { return system_.ioctl(handle_, PPRSTATUS, &status); }) < 0) return 0;
  return status;
}

bool PpdevPort::goIdleNow() noexcept {
  const int handle = handle_;
  if (handle < 1) return false;
  unsigned char byte = kIdleLines;
  return system_.ioctl(handle, PPWDATA, &byte) == 0;
}

}  // namespace tavrix
