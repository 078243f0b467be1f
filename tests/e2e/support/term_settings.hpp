#pragma once

#include <termios.h>

#include <string>

namespace e2e {

// Everything `stty -g` would save and restore for one terminal.
struct TermSettings {
  termios raw{};

  static TermSettings of(int fd);
  bool operator==(const TermSettings& other) const;
  bool canonical() const { return (raw.c_lflag & ICANON) != 0; }
  bool echoes() const { return (raw.c_lflag & ECHO) != 0; }
  bool signalsEnabled() const { return (raw.c_lflag & ISIG) != 0; }
  // Readable form for failure messages, one field per group.
  std::string describe() const;
};

}  // namespace e2e
