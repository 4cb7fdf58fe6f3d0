#pragma once

namespace tavrix {

// Ctrl+Z in the middle of an operation. A stop signal would freeze the program with the chip
// powered and perhaps in programming mode for as long as it stays stopped, and a chip left so
// cannot simply be picked up again. So during an operation the handler of the stop signals a
// program can catch (SIGTSTP, and SIGTTIN and SIGTTOU, which stop a program in the background
// that touches its terminal) first puts the idle byte on the watched port (Port::goIdleNow;
// a recording port records it), marks the board as released, and only then stops the program
// as the signal's default action would. Once the program is continued (SIGCONT) the link puts
// nothing but the idle byte on the port until the operation ends, and the engine stops the run
// as a Cancel would: the chip lost its supply. Outside an operation the signals stop the
// program as usual. SIGSTOP cannot be caught: the board then stays as it was.
//
// The handlers are installed by EndingSignals::install(), with the same rules: a signal taken
// by another thread is passed to the thread that drives the port.
namespace StopSignals {

// Installs the handlers; EndingSignals::install() does it.
void install();

// Brackets one operation on the board: a read, a write, an unprotect, a board test. Operations
// may nest; the board is released for all of them until the outermost one ends.
class Operation {
 public:
  Operation() noexcept;
  ~Operation();
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;

  // True once a stop signal has released the board during this operation.
  bool boardReleased() const noexcept;
};

// True while an operation runs whose board a stop signal has released.
bool boardReleased() noexcept;

}  // namespace StopSignals

}  // namespace tavrix
