#include "link/ParallelPort.h"

#include <atomic>

#include "link/LinkTexts.h"

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

std::string holderReason(PortSystem& system, unsigned port) {
  const std::string list =
      "/proc/sys/dev/parport/parport" + std::to_string(port) + "/devices/active";
  std::string holder;
  if (!system.readText(list.c_str(), &holder)) return {};
  const auto end = holder.find_first_of(" \t\r\n");
  if (end != std::string::npos) holder.erase(end);
  if (holder.empty() || holder == "none") return {};
  // The printer driver waits for every byte it is given: a print job that never ends holds the
  // port for good, and only unloading that driver frees it.
  if (holder.rfind("lp", 0) == 0) return texts::heldByPrinterDriver(holder);
  return texts::heldByOtherProgram(holder);
}

}  // namespace tavrix
