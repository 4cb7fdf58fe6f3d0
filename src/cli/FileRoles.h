#pragma once

#include <QString>

namespace tavrix::cli {

struct CliOptions;

// One file, one role. The files a command names (the device file, the HEX file it reads, the
// HEX file it writes, the virtual chip's contents file, the trace) are compared as files: by
// device and inode, through links and other spellings, and for a file not made yet by the
// folder it will be made in and its name there. Returns why the command may not run when two
// roles of which one writes name the same file; empty otherwise. `hex IN IN` (rewriting a
// file in place) is allowed, and a character device (/dev/null, a terminal) takes any number
// of writers.
QString sharedFileProblem(const CliOptions& options);

}  // namespace tavrix::cli
