// The US keyboard layout: the answers the console's layout query gives, and
// the key that types a given character, from which the backends build the
// key events of piped bytes and terminal keys.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/console_types.hpp"

namespace maze {

// The layout query with map type 2: the key's unshifted character, 0 when
// it makes none.
std::uint32_t usVirtualKeyToChar(std::uint32_t virtualKey);

struct KeyStroke {
  std::uint16_t virtualKeyCode = 0;
  std::uint16_t scanCode = 0;
  bool shift = false;
  bool ctrl = false;
};

// The key (and Shift or Ctrl) that types `ch` on a US keyboard; none for
// bytes no key types, such as those above 127.
std::optional<KeyStroke> usKeyForChar(std::uint8_t ch);

// The press a US keyboard sends for `ch`, with Shift or Ctrl held where
// the character needs it; a byte no key types has no key codes.
KeyEventRecord usKeyEventForChar(std::uint8_t ch);

// Scan code of the key with this virtual-key code, 0 when unknown.
std::uint16_t usScanCodeForVirtualKey(std::uint16_t virtualKey);

}  // namespace maze
