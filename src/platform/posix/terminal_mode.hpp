// The terminal's line settings: raw mode for key-at-a-time input, and the
// exact settings to put back when the program stops or ends.
#pragma once

#include <termios.h>

namespace maze {

struct TerminalSize {
  int columns = 80;
  int rows = 25;
};

// The terminal's size; 80 x 25 when it cannot be read or reports 0.
TerminalSize readTerminalSize(int fd);

// The terminal `fd` (-1: none) has our process group in the foreground,
// or no foreground group at all: its settings and screen are ours to use.
bool inForeground(int fd);

class TerminalMode {
 public:
  // Saves the settings of `fd` when it is a terminal; false otherwise.
  bool save(int fd);
  // The settings as saved, or null when nothing was saved.
  const termios* savedSettings() const { return saved_ ? &original_ : nullptr; }
  bool raw() const { return raw_; }
  // No echo, no line editing, no flow control, CR kept as CR; signals stay
  // on so Ctrl+C, Ctrl+\ and Ctrl+Z still act. Output processing is left
  // alone.
  void enterRaw();
  // Puts back exactly the settings that were saved, when raw mode is on.
  void restore();

 private:
  int fd_ = -1;
  bool saved_ = false;
  bool raw_ = false;
  termios original_{};
};

}  // namespace maze
