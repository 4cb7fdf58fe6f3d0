#pragma once

namespace tavrix::cli {

// A tool stopped by a signal (Ctrl+C, kill, a closed terminal) while it drives the real board
// would leave the chip powered with VPP on. While a handle is watched, such a signal first
// writes the idle pattern (supply cut, MCLR released from VPP) to it, then ends the program
// as the signal would.
namespace Interruption {

// Installs the handlers for SIGINT, SIGTERM and SIGHUP; once, before any command runs.
void install();
// The port handle to leave idle; below 1 watches nothing (the virtual board needs nothing).
void watch(int handle);

}  // namespace Interruption

}  // namespace tavrix::cli
