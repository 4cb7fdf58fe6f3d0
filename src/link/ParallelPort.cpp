#include "link/ParallelPort.h"

#include <atomic>

#include "link/LinkTexts.h"
#include "link/PortHolder.h"

namespace tavrix {

void ParallelPort::closeHandle() {
  const int handle = handle_;
  handle_ = -1;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (handle > 0) system_.close(handle);
  path_.clear();
}

std::string ppdevNodeOf(unsigned port) {
  return "/dev/parport" + std::to_string(port);
}

std::string heldReason(const std::string& holder) {
  if (holder.empty()) return {};
  // The printer driver waits for every byte it is given: a print job that never ends holds the
  // port for good, and only unloading that driver frees it.
  if (isPrinterDevice(holder.c_str())) return texts::heldByPrinterDriver(holder);
  return texts::heldByOtherProgram(holder);
}

std::string holderReason(PortSystem& system, unsigned port) {
  return heldReason(PortHolder(system, port).name());
}

}  // namespace tavrix
