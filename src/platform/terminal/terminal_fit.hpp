// A terminal's size taken on by the screen it shows and by its renderer,
// with the same rules for every host on a terminal.
#pragma once

#include "platform/terminal/terminal_renderer.hpp"
#include "platform/terminal/terminal_screen.hpp"

namespace maze {

// A side of the terminal as reported, kept within what a screen can hold.
int terminalSide(int reported);

// Gives `screen` and `renderer` the terminal's new size; the next render
// draws everything.
void fitTerminal(TerminalScreen& screen, TerminalRenderer& renderer, int columns, int rows);

}  // namespace maze
