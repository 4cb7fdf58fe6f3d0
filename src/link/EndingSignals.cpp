#include "link/EndingSignals.h"

#include <errno.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "link/StopSignals.h"

#include "link/PortSystem.h"

namespace tavrix::EndingSignals {

namespace {

std::atomic<Port*> watchedPort{nullptr};
std::atomic<int> ending{0};
pid_t mainThread = 0;

// Room for the handler after a stack overflow in the main thread.
alignas(16) char alternateStack[64 * 1024];

const int kAsynchronous[] = {SIGHUP,    SIGINT,  SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2,  SIGALRM,
                             SIGVTALRM, SIGPROF, SIGXCPU, SIGIO,   SIGPWR,  SIGSTKFLT};
const int kFaults[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS};

bool isFault(int signo) {
  for (int fault : kFaults)
    if (signo == fault) return true;
  return false;
}

pid_t threadId() {
  return pid_t(::syscall(SYS_gettid));
}

extern "C" void onEndingSignal(int signo) {
  const int savedErrno = errno;
  if (!isFault(signo) && passedToMainThread(signo)) {
    errno = savedErrno;
    return;
  }
  if (ending.exchange(1) == 0) {
    if (Port* port = watchedPort.load()) port->goIdleNow();
  }
  // Every signal stays blocked until the handler returns; then this one ends the program.
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  ::sigaction(signo, &byDefault, nullptr);
  ::raise(signo);
  errno = savedErrno;
}

// exit() while a port is watched: the windowing toolkit calls it when the display goes away
// (the desktop logging out), wherever the program stands, perhaps in the middle of a run.
void idleAtExit() {
  if (Port* port = watchedPort.load()) port->goIdleNow();
}

}  // namespace

bool passedToMainThread(int signo) noexcept {
  if (mainThread == 0 || threadId() == mainThread) return false;
  // The main thread may be writing to the port right now: it is the one to act.
  ::syscall(SYS_tgkill, ::getpid(), mainThread, signo);
  return true;
}

std::vector<int> handledSignals() {
  std::vector<int> list(std::begin(kAsynchronous), std::end(kAsynchronous));
  for (int signo = SIGRTMIN; signo <= SIGRTMAX; ++signo) list.push_back(signo);
  list.insert(list.end(), std::begin(kFaults), std::end(kFaults));
  return list;
}

namespace {

sigset_t asynchronousSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signo : kAsynchronous) sigaddset(&set, signo);
  for (int signo = SIGRTMIN; signo <= SIGRTMAX; ++signo) sigaddset(&set, signo);
  // The stop signals' handler puts the idle byte on the port too.
  for (int signo : {SIGTSTP, SIGTTIN, SIGTTOU}) sigaddset(&set, signo);
  return set;
}

}  // namespace

HeldBack::HeldBack() noexcept {
  static const sigset_t held = asynchronousSignals();
  pthread_sigmask(SIG_BLOCK, &held, &before_);
}

HeldBack::~HeldBack() {
  pthread_sigmask(SIG_SETMASK, &before_, nullptr);
}

void install() {
  mainThread = threadId();
  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = sizeof alternateStack;
  ::sigaltstack(&stack, nullptr);

  struct sigaction action {};
  action.sa_handler = onEndingSignal;
  // Nothing interrupts the handler but the bound on a port that does not take the idle byte;
  // a thread that only passes a signal on resumes its call.
  sigfillset(&action.sa_mask);
  sigdelset(&action.sa_mask, kPortAlarmSignal);
  action.sa_flags = SA_RESTART | SA_ONSTACK;
  for (int signo : handledSignals()) ::sigaction(signo, &action, nullptr);

  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGPIPE, &ignore, nullptr);
  ::sigaction(SIGXFSZ, &ignore, nullptr);

  StopSignals::install();
  std::atexit(idleAtExit);
}

void watch(Port& port) noexcept {
  watchedPort.store(&port);
}

void unwatch(Port& port) noexcept {
  Port* expected = &port;
  watchedPort.compare_exchange_strong(expected, nullptr);
}

Port* watched() noexcept {
  return watchedPort.load();
}

}  // namespace tavrix::EndingSignals
