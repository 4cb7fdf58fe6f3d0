#include "link/ParallelPort.h"

#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tavrix {

void ParallelPort::closeHandle() {
  if (handle_ > 0) system_.close(handle_);
  handle_ = -1;
  path_.clear();
}

bool PortRawWrite(int handle, PortKind kind, std::uint8_t value) {
  if (handle < 1) return false;
  unsigned char byte = value;
  if (kind == PortKind::Ppdev) return ::ioctl(handle, PPWDATA, &byte) == 0;
  return ::write(handle, &byte, 1) == 1;
}

}  // namespace tavrix
