#pragma once

#include <signal.h>

#include <vector>

#include "link/Port.h"

namespace tavrix {

// Every way a signal can end the program leaves the board idle. One handler is installed for
// each signal whose default action ends the process: the hang-ups and interruptions (SIGHUP,
// SIGINT, SIGQUIT, SIGTERM), the user's and the timers' signals (SIGUSR1, SIGUSR2, SIGALRM,
// SIGVTALRM, SIGPROF), SIGXCPU, SIGIO, SIGPWR, SIGSTKFLT, the real-time signals, and the faults
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS). The handler puts the idle byte on
// the watched port through Port::goIdleNow (a recording port also completes its trace file),
// then ends the program by the same signal with its default action, so the exit status is
// the usual 128 + signal. SIGKILL and SIGSTOP cannot be caught.
//
// SIGPIPE and SIGXFSZ are ignored instead: a write to a closed pipe or past the file size limit
// then fails where it is made, and is reported there. A call of exit() while a port is watched
// (the windowing toolkit makes one when its display goes away) leaves it idle too.
//
// Signals sent to the process are acted on by the thread that installed the handlers (the one
// that drives the port): another thread that takes one passes it on. A fault is acted on by
// the thread that made it, on its own stack should the main thread's be exhausted.
namespace EndingSignals {

// Installs the handlers, and those of the stop signals (StopSignals); once, from the main
// thread, before anything is sent to a port.
void install();
// Watches `port` until unwatch(port): a signal that ends the program leaves it idle. The port
// must outlive the watch. Watching another port replaces it.
void watch(Port& port) noexcept;
// Stops watching `port`; a port watched in its place stays watched.
void unwatch(Port& port) noexcept;
// The port watched now; nullptr when none.
Port* watched() noexcept;

// The signals the handler is installed for.
std::vector<int> handledSignals();

// For a signal handler: on a thread other than the one that installed the handlers, sends
// `signo` to that thread and returns true; there (or before install()), returns false.
bool passedToMainThread(int signo) noexcept;

// Holds back, in this thread, the signals that end or stop the program from other processes
// (not the faults, nor the port's alarm) for as long as it lives: one that comes meanwhile is
// acted on once it is gone, so what it guards is done whole or not at all. Never in a signal
// handler.
class HeldBack {
 public:
  HeldBack() noexcept;
  ~HeldBack();
  HeldBack(const HeldBack&) = delete;
  HeldBack& operator=(const HeldBack&) = delete;

 private:
  sigset_t before_;
};

}  // namespace EndingSignals

}  // namespace tavrix
