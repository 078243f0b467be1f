// A program that dies of a fault (a crash, an abort) must not leave the
// terminal in raw mode with its cursor hidden: these handlers put the saved
// settings back, then let the fault end the process as it would have.
#pragma once

#include <termios.h>

namespace maze::fault_restore {

// `settings` (may be null: the input is no terminal) go back on `fd`;
// `showCursor`: the output is a terminal whose cursor may be hidden.
void install(int fd, const termios* settings, bool showCursor);

}  // namespace maze::fault_restore
