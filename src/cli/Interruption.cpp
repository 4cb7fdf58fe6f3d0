#include "Interruption.h"

#include <signal.h>
#include <unistd.h>

#include <initializer_list>
#include <utility>

namespace tavrix::cli::Interruption {

namespace {

volatile sig_atomic_t watchedHandle = -1;
volatile sig_atomic_t watchedPpdev = 0;
volatile sig_atomic_t deferring = 0;
volatile sig_atomic_t pendingSignal = 0;
// Touched only outside the handler.
std::function<void()> deferredCleanup;

// The byte CmdProgModeOff writes: chip supply cut, data driver released.
constexpr std::uint8_t kIdleLines = 0x24;

// Inside the handler the signal stays blocked until the handler returns, and then ends the
// program; outside it, it ends the program at once.
void endAs(int signo) {
  ::signal(signo, SIG_DFL);
  ::raise(signo);
}

extern "C" void onSignal(int signo) {
  if (deferring) {
    if (!pendingSignal) pendingSignal = signo;
    return;
  }
  PortRawWrite(watchedHandle, watchedPpdev ? PortKind::Ppdev : PortKind::Printer, kIdleLines);
  endAs(signo);
}

[[noreturn]] void endDeferred() {
  const int signo = pendingSignal;
  if (deferredCleanup) deferredCleanup();
  endAs(signo);
  ::_exit(128 + signo);  // not reached: the default action of these signals ends the program
}

}  // namespace

void install() {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signo, &action, nullptr);
}

void watch(int handle, PortKind kind) {
  watchedPpdev = kind == PortKind::Ppdev;
  watchedHandle = handle;
}

void watchDeferred(std::function<void()> beforeEnd) {
  deferredCleanup = std::move(beforeEnd);
  pendingSignal = 0;
  deferring = 1;
}

void unwatch() {
  watchedHandle = -1;
  deferring = 0;
  if (pendingSignal) endDeferred();
  deferredCleanup = nullptr;
}

bool IdleGuardPort::writeByte(std::uint8_t value) {
  if (pendingSignal) {
    inner_.writeByte(kIdleLines);
    endDeferred();
  }
  return inner_.writeByte(value);
}

}  // namespace tavrix::cli::Interruption
