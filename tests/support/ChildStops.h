#pragma once

#include <sys/types.h>

namespace tavrix::test {

// Waits for the child's next stop or end and returns its wait status (WIFSTOPPED, WIFEXITED,
// WIFSIGNALED); -1 when neither came within `timeoutMs`, the child then killed and reaped.
int nextStopOrEnd(pid_t child, int timeoutMs = 60000);

}  // namespace tavrix::test
