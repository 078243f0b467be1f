// The US keyboard layout: the answers the console's layout query gives, and
// the key that types a given character, from which the backends build the
// key events of piped bytes and terminal keys.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/platform.hpp"

namespace maze {

// Virtual-key codes the backends produce.
namespace vk {
inline constexpr std::uint16_t kBack = 0x08;
inline constexpr std::uint16_t kTab = 0x09;
inline constexpr std::uint16_t kReturn = 0x0D;
inline constexpr std::uint16_t kShift = 0x10;
inline constexpr std::uint16_t kControl = 0x11;
inline constexpr std::uint16_t kMenu = 0x12;  // Alt
inline constexpr std::uint16_t kEscape = 0x1B;
inline constexpr std::uint16_t kSpace = 0x20;
inline constexpr std::uint16_t kPrior = 0x21;  // PgUp
inline constexpr std::uint16_t kNext = 0x22;   // PgDn
inline constexpr std::uint16_t kEnd = 0x23;
inline constexpr std::uint16_t kHome = 0x24;
inline constexpr std::uint16_t kLeft = 0x25;
inline constexpr std::uint16_t kUp = 0x26;
inline constexpr std::uint16_t kRight = 0x27;
inline constexpr std::uint16_t kDown = 0x28;
inline constexpr std::uint16_t kInsert = 0x2D;
inline constexpr std::uint16_t kDelete = 0x2E;
inline constexpr std::uint16_t kNumpad0 = 0x60;
inline constexpr std::uint16_t kF1 = 0x70;
}  // namespace vk

// Scan codes (set 1) of the keys above that have no character.
namespace scan {
inline constexpr std::uint16_t kEscape = 0x01;
inline constexpr std::uint16_t kBack = 0x0E;
inline constexpr std::uint16_t kTab = 0x0F;
inline constexpr std::uint16_t kReturn = 0x1C;
inline constexpr std::uint16_t kControl = 0x1D;
inline constexpr std::uint16_t kShift = 0x2A;
inline constexpr std::uint16_t kMenu = 0x38;
inline constexpr std::uint16_t kF1 = 0x3B;  // F1 to F10 follow on
inline constexpr std::uint16_t kHome = 0x47;
inline constexpr std::uint16_t kUp = 0x48;
inline constexpr std::uint16_t kPrior = 0x49;
inline constexpr std::uint16_t kLeft = 0x4B;
inline constexpr std::uint16_t kNumpad5 = 0x4C;
inline constexpr std::uint16_t kRight = 0x4D;
inline constexpr std::uint16_t kEnd = 0x4F;
inline constexpr std::uint16_t kDown = 0x50;
inline constexpr std::uint16_t kNext = 0x51;
inline constexpr std::uint16_t kInsert = 0x52;
inline constexpr std::uint16_t kDelete = 0x53;
inline constexpr std::uint16_t kF11 = 0x57;
inline constexpr std::uint16_t kF12 = 0x58;
}  // namespace scan

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
