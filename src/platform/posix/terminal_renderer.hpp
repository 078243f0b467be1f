// Draws the console model's window on a terminal with ECMA-48 control
// sequences. It keeps a copy of what the terminal shows and sends only
// what changed; when the console has scrolled it scrolls the terminal
// too, so the rows that leave the window land in the terminal's
// scrollback, as they stay above the window in the console's buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/model/model_console.hpp"

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

  // Appends what brings the terminal from its last frame to the model's
  // window. `scrolled`: rows by which the window's contents have moved up
  // since the last render.
  void render(const ModelConsole& model, int scrolled, std::string& out);

  // Appends the cursor's hiding that render holds back while the program
  // is busy; called before it waits.
  void settleCursor(const ModelConsole& model, std::string& out);

  // Appends what leaves the terminal fit for the shell: default colours,
  // the cursor where the model's is, and visible.
  void leave(const ModelConsole& model, std::string& out);

 private:
  CharCell modelCell(const ModelConsole& model, int x, int y) const;
  CharCell& shadow(int x, int y) { return shadow_[static_cast<std::size_t>(y) * columns_ + x]; }
  void clearAll(std::string& out);
  void scrollUp(int count, std::string& out);
  void drawRow(const ModelConsole& model, int y, std::string& out);
  void drawRun(const ModelConsole& model, int y, int first, int last, int eraseFrom,
               std::string& out);
  void moveTo(int x, int y, std::string& out);
  void setAttribute(std::uint16_t attr, std::string& out);
  void placeCursor(const ModelConsole& model, bool settle, std::string& out);

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
