#pragma once

#include <QString>

#include "app/TTavrixForm.h"

namespace tavrix {

// The program entry's steps after the windows exist: start-up, then the event loop, which shows
// the main window and waits for the user, or ends at its first turn with status 1 when
// start-up failed.
int RunProgram(TTavrixForm& form);

}  // namespace tavrix
