// Key event records as the console delivers them for keys a terminal can
// report: character, virtual-key code, scan code and modifier flags.
#pragma once

#include <cstdint>

#include "platform/console_types.hpp"

namespace maze {

// Modifiers as xterm reports them in its parameter (value - 1).
struct Modifiers {
  bool shift = false;
  bool alt = false;
  bool ctrl = false;
  // From an xterm modifier parameter such as the 5 of "1;5A"; meta counts
  // as Alt.
  static Modifiers fromParameter(int parameter);
  std::uint32_t controlKeyState() const;
};

// The key that sends `byte` from a terminal in raw mode: printable ASCII,
// Enter (CR), Ctrl+Enter (LF), Tab, Backspace (DEL or ^H), Esc, Ctrl with
// a letter or symbol. Alt is added when asked.
KeyEventRecord keyForTerminalByte(std::uint8_t byte, bool alt);
// A character that no US key types (code page bytes from 128 up, and the
// '?' that stands for what the code page lacks).
KeyEventRecord keyForForeignChar(std::uint8_t ch, bool alt);

// The separate cursor and editing keys (ENHANCED_KEY, no character).
KeyEventRecord enhancedKey(std::uint16_t virtualKey, Modifiers modifiers);
// F1 to F12 (n = 1 to 12).
KeyEventRecord functionKey(int n, Modifiers modifiers);
// The keypad's 5 with Num Lock off.
KeyEventRecord keypadCenterKey(Modifiers modifiers);
// The keypad's Enter (ENHANCED_KEY, character CR).
KeyEventRecord keypadEnterKey(Modifiers modifiers);
// A digit or operator of the keypad with Num Lock on ('0' to '9', '*',
// '+', '-', '.', '/'); the keypads of other keyboards' ',' and '=' are
// those characters' keys.
KeyEventRecord keypadKey(std::uint8_t ch, Modifiers modifiers);

}  // namespace maze
