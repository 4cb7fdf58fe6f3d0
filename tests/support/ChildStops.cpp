#include "support/ChildStops.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrix::test {

int nextStopOrEnd(pid_t child, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    int status = 0;
    if (::waitpid(child, &status, WUNTRACED | WNOHANG) == child) return status;
    ::usleep(10000);
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  return -1;
}

}  // namespace tavrix::test
