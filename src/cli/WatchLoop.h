#pragma once

namespace tavrix::cli {

class CliSession;

// write --watch IN.hex: the development loop. Programs the file as write does, then waits for
// it to change and programs it again each time, one line per round on stdout with the time it
// took. A version that does not load cleanly (no question, an end record, unchanged while read)
// is not programmed: the loop waits for the writer to finish, and when the file stops changing
// first, says so and waits for the next version. A complete version whose only problems are
// records out of the device's range or of unknown types is said at once to be refused. A round
// with errors on the chip is reported and the loop goes on. It ends only when a signal ends the
// tool (Ctrl+C), with the board idle, the virtual chip saved and the trace complete; or with 2
// when a state or trace file cannot be saved or the file's folder does not exist.
int watchCommand(CliSession& session);

}  // namespace tavrix::cli
