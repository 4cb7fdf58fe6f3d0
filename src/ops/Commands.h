#pragma once

namespace tavrix {

class Engine;

// The operation commands behind the main window's top row of buttons and its "Acción" menu,
// usable by any front end. Every command that runs the engine ends by hiding the progress
// window and enabling the main window, whatever the engine returned. Each returns true when
// every run it started reached its end (false when the user stopped one with Cancel).
bool readChip(Engine& engine);
bool verifyChip(Engine& engine);
bool blankCheckChip(Engine& engine);
// "OTP": blank check first, and the write only when it was not cancelled. "Flash1": the write
// is followed by a verify run, whatever the write returned.
bool writeChip(Engine& engine);

enum class UnprotectResult {
  Erased,        // the erase sequence was sent
  OnlyFlash,     // an "OTP" device: refused with a message, nothing sent
  Declined,      // the user answered No, nothing sent
  NotSupported,  // the device's algorithm has no erase sequence: nothing sent
  PortFailed,  // the port refused part of the sequence; the user was told, not "PIC desprotegido."
  Stopped,     // a stop signal cut the supply during the sequence; nothing was told
};

// Erases the chip to remove code protection, after the user's confirmation unless `ask` is
// false (a command-line tool that was told to go ahead). It neither shows the progress window
// nor disables the main window, and reads nothing back.
UnprotectResult unprotectChip(Engine& engine, bool ask = true);

}  // namespace tavrix
