#pragma once

#include <cstddef>

#include "link/PortSystem.h"

namespace tavrix {

// How long a program ending on a signal waits for a port or a file to take its last bytes.
inline constexpr int kEndingWriteBudgetMs = 1000;

// Writes all of `data` to `fd` without ever blocking: the descriptor is made non-blocking (and
// left so), and a write that cannot go on is retried, with short waits, until `budgetMs` has
// passed; then it is given up. True when every byte was written. Safe in a signal handler
// with the kernel's PortSystem: it allocates nothing and only calls fcntl, write and poll.
bool writeWithin(PortSystem& system, int fd, const void* data, std::size_t size,
                 int budgetMs) noexcept;

}  // namespace tavrix
