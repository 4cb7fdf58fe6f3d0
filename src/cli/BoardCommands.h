#pragma once

#include <functional>

namespace tavrix {
class Link;
}

namespace tavrix::cli {

class ChipBoard;
class CliSession;

// What a command does on the board, given the board and a link over it; returns the status.
using BoardWork = std::function<int(ChipBoard& board, Link& link)>;

// Runs `work` on the board the options name, with the board left idle if a signal ends the
// tool, or stops it (Ctrl+Z: the work then ends as cancelled, and says so). Information is held
// back until the virtual chip and the trace are saved, and then whatever `alsoSave` saves (a
// read's HEX file); it is dropped when a save failed or the work was stopped. Returns work's
// status, or 2 when the board could not be opened, a file could not be saved or the work was
// stopped.
int runOnBoard(CliSession& session, const BoardWork& work,
               const std::function<bool()>& alsoSave = {});

// board-test: the board test on the port the options name, its report on stdout. 0 when
// nothing is wrong, 1 when something is, 2 when the board cannot be used at all.
int boardTestCommand(CliSession& session);

// identify: the chip's identification word, its revision and the device(s) of the file it
// names, on stdout. 0 when the word names a device of the file (the selected one or not), 1 when
// it names none, no chip answers or the port refuses writes, 2 when the board cannot be opened.
int identifyCommand(CliSession& session);

// The identity check of write and unprotect, unless --no-id-check: true when the chip may be
// written. When the selected device has an identification word, the chip's is read first; a
// chip that answers as another device, or no chip, is refused with the reason on stderr.
bool identityAllowsWriting(CliSession& session, Link& link);

}  // namespace tavrix::cli
