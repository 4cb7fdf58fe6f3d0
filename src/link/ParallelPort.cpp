#include "link/ParallelPort.h"

#include <atomic>

namespace tavrix {

void ParallelPort::closeHandle() {
  const int handle = handle_;
  handle_ = -1;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (handle > 0) system_.close(handle);
  path_.clear();
}

}  // namespace tavrix
