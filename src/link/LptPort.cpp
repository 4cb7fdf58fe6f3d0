#include "link/LptPort.h"

#include <linux/lp.h>

#include "link/BoundedWrite.h"

namespace tavrix {

LptPort::LptPort(PortSystem& system, int handle, std::string path)
    : ParallelPort(system, handle, std::move(path), PortKind::Printer) {}

LptPort::~LptPort() {
  PortClose();
}

void LptPort::PortClose() {
  closeHandle();
}

bool LptPort::writeByte(std::uint8_t value) {
  if (handle_ < 1) return false;
  const unsigned char byte = value;
  return retryInterrupted([&] { return system_.write(handle_, &byte, 1); }) == 1;
}

std::uint8_t LptPort::readStatus() {
  if (handle_ < 1) return 0;
  int status = 0;
  if (retryInterrupted([&] { return system_.ioctl(handle_, LPGETSTATUS, &status); }) < 0) return 0;
  return static_cast<std::uint8_t>(status & 0xFF);
}

bool LptPort::goIdleNow() noexcept {
  const int handle = handle_;
  if (handle < 1) return false;
  const unsigned char byte = kIdleLines;
  return writeWithin(system_, handle, &byte, 1, kEndingWriteBudgetMs);
}

}  // namespace tavrix
