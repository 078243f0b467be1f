// Tells when a scroll of the console's buffer moves the whole window's
// contents up, which the terminal can copy with line feeds instead of a
// redraw, sending the rows that leave into its scrollback.
#pragma once

#include "platform/model/model_console.hpp"

namespace maze {

// Rows by which ScrollConsoleScreenBuffer with these arguments moves the
// contents of the whole window of `screen` up; 0 when it moves less than
// the whole window, or sideways, or down.
int windowRowsScrolledUp(const ModelConsole& screen, const SmallRect& scroll, const SmallRect* clip,
                         Coord destination);

}  // namespace maze
