// Draws the in-memory screen's window on a terminal with ECMA-48 control
// sequences, from the screen's record of what changed. It keeps a copy of
// what the terminal shows and sends only what differs; when the window's
// contents have moved up it scrolls the terminal too, so the rows that
// leave the window land in the terminal's scrollback, as they stay above
// the window in the console's buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/memory/memory_screen.hpp"

namespace maze {

class TerminalRenderer {
 public:
  TerminalRenderer(int columns, int rows);

  int columns() const { return columns_; }
  int rows() const { return rows_; }

  // A new terminal size; the next render draws everything.
  void resize(int columns, int rows);
  // The terminal's contents are unknown (after a stop, or a failed
  // write); the next render draws everything.
  void invalidate() { known_ = false; }

  // Moves the top `count` rows of what the terminal shows into its
  // scrollback, so that drawing the game does not destroy them.
  std::string pushIntoScrollback(int count) const;
  // The same for the rows above the terminal's cursor, where the terminal
  // has not said where it is: its row is taken to be empty, as a shell
  // leaves it after a command.
  std::string pushAboveCursor() const;

  // Appends what brings the terminal from its last frame to the screen's
  // window; `changes`: what the screen's calls changed since then.
  void render(const MemoryScreen& screen, const ScreenChanges& changes, std::string& out);

  // Appends the cursor's hiding that render holds back while the program
  // is busy; called before it waits.
  void settleCursor(const MemoryScreen& screen, std::string& out);

  // Appends what leaves the terminal fit for the shell: default colours,
  // the cursor where the screen's is, and visible.
  void leave(const MemoryScreen& screen, std::string& out);

 private:
  CharCell screenCell(const MemoryScreen& screen, int x, int y) const;
  CharCell& shadow(int x, int y) { return shadow_[static_cast<std::size_t>(y) * columns_ + x]; }
  void clearAll(std::string& out);
  void scrollUp(int count, std::string& out);
  void drawRow(const MemoryScreen& screen, int y, std::string& out);
  void drawRun(const MemoryScreen& screen, int y, int first, int last, int eraseFrom,
               std::string& out);
  void moveTo(int x, int y, std::string& out);
  void setAttribute(std::uint16_t attr, std::string& out);
  void placeCursor(const MemoryScreen& screen, bool settle, std::string& out);

  int columns_;
  int rows_;
  std::vector<CharCell> shadow_;
  bool known_ = false;
  int cursorX_ = -1;  // where the terminal's cursor is; -1: not known
  int cursorY_ = -1;
  int attribute_ = -1;      // the terminal's current colours; -1: not known
  int cursorVisible_ = -1;  // -1: not known
};

}  // namespace maze
