#include "Interruption.h"

#include <signal.h>
#include <unistd.h>

#include <initializer_list>

namespace tavrix::cli::Interruption {

namespace {

volatile sig_atomic_t watchedHandle = -1;

// The byte CmdProgModeOff writes: chip supply cut, data driver released.
constexpr unsigned char kIdleLines = 0x24;

extern "C" void onSignal(int signo) {
  const int handle = watchedHandle;
  if (handle > 0) {
    const unsigned char idle = kIdleLines;
    [[maybe_unused]] const ssize_t written = ::write(handle, &idle, 1);
  }
  ::signal(signo, SIG_DFL);
  ::raise(signo);
}

}  // namespace

void install() {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signo, &action, nullptr);
}

void watch(int handle) {
  watchedHandle = handle;
}

}  // namespace tavrix::cli::Interruption
