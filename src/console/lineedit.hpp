// The line editor behind every typed answer.
#pragma once

#include <string>

#include "console/console.hpp"

namespace maze {

// Reads and edits one line, with echo, up to Enter; returns it without the
// line end.
std::string editLine(ConsoleState& console);

// Moves the screen cursor d cells along the wrapped layout of a line whose
// rows are `width` cells wide, in a window `height` rows high; x and y are
// 1-based and receive the computed target.
void advanceCursor(ConsoleState& console, int& x, int& y, int d, int width, int height);

}  // namespace maze
