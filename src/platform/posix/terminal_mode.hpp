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

class TerminalMode {
 public:
  // Saves the settings of `fd` when it is a terminal; false otherwise.
  bool save(int fd);
  // The settings as saved, or null when nothing was saved.
  const termios* savedSettings() const { return saved_ ? &original_ : nullptr; }
  // No echo, no line editing, no flow control, CR kept as CR; signals stay
  // on so Ctrl+C, Ctrl+\ and Ctrl+Z still act. Output processing is left
  // alone.
  void enterRaw() const;
  // Puts back exactly the settings that were saved.
  void restore() const;

 private:
  int fd_ = -1;
  bool saved_ = false;
  termios original_{};
};

}  // namespace maze
