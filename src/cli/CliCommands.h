#pragma once

namespace tavrix::cli {

class Console;
struct CliOptions;

// Exit statuses: the command ran to its end with no error reported; an error was reported on
// the chip or the run was stopped; the command could not be carried out (usage, device file,
// HEX or state file, unknown or refused device, no port, a save that did not happen).
enum ExitStatus : int { kExitOk = 0, kExitChipError = 1, kExitFailure = 2 };

// Runs the command the options name and returns its exit status.
int runCommand(const CliOptions& options, Console& console);

}  // namespace tavrix::cli
