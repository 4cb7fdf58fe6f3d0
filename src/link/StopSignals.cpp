#include "link/StopSignals.h"

#include <errno.h>
#include <signal.h>

#include <atomic>

#include "link/EndingSignals.h"

namespace tavrix::StopSignals {

namespace {

const int kStopSignals[] = {SIGTSTP, SIGTTIN, SIGTTOU};

std::atomic<int> operations{0};
std::atomic<bool> released{false};

void handleWithUs(int signo);

extern "C" void onStopSignal(int signo) {
  const int savedErrno = errno;
  if (EndingSignals::passedToMainThread(signo)) {
    errno = savedErrno;
    return;
  }
  if (operations.load() > 0 && !released.load()) {
    // The chip loses its supply before the program stops, not when it is continued.
    if (Port* port = EndingSignals::watched()) port->goIdleNow();
    released.store(true);
  }
  // Stopped as the signal's default action stops the program: the signal, blocked while this
  // handler runs, is raised with that action and let through. Continued, the program goes on
  // from here.
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  ::sigaction(signo, &byDefault, nullptr);
  ::raise(signo);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signo);
  ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
  ::sigprocmask(SIG_BLOCK, &only, nullptr);
  handleWithUs(signo);
  errno = savedErrno;
}

void handleWithUs(int signo) {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  // Nothing interrupts the handler; a call it interrupted is resumed.
  sigfillset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(signo, &action, nullptr);
}

}  // namespace

void install() {
  for (int signo : kStopSignals) {
    // A signal the program was started with ignored stays ignored, as a job-control shell
    // expects.
    struct sigaction before {};
    if (::sigaction(signo, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    handleWithUs(signo);
  }
}

Operation::Operation() noexcept {
  if (operations.fetch_add(1) == 0) released.store(false);
}

Operation::~Operation() {
  if (operations.fetch_sub(1) == 1) released.store(false);
}

bool Operation::boardReleased() const noexcept {
  return released.load();
}

bool boardReleased() noexcept {
  return operations.load() > 0 && released.load();
}

}  // namespace tavrix::StopSignals
