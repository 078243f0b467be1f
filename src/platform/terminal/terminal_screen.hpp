// The in-memory screen as a terminal shows it. The terminal, not the
// program, decides how large the window is: the program can only move it.
#pragma once

#include "platform/memory/memory_screen.hpp"

namespace maze {

class TerminalScreen : public MemoryScreen {
 public:
  TerminalScreen(int columns, int rows) : MemoryScreen(columns, rows) {}

  // A window rectangle the program sets moves the window's origin there;
  // its size stays the terminal's.
  bool setWindowInfo(bool absolute, const SmallRect& window) override;

  // Takes on a new terminal size. As the console's buffer does when its
  // window is resized, the buffer keeps its cells and only grows; the
  // window is placed so that the cursor stays in view, from the buffer's
  // left edge whenever it shows the cursor from there. The window keeps at
  // least two rows and columns, for the program takes a window of one row
  // or column for no window at all.
  void fitWindow(int columns, int rows);
};

}  // namespace maze
