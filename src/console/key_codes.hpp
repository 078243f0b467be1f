// Key codes as the key buffer holds them, and the ones the console
// services name: -1 for no key, 0 to 255 for a character byte, and
// c * 256 + 255 for the extended key with code c.
#pragma once

#include <cstdint>

namespace maze {

using KeyCode = std::int32_t;

constexpr KeyCode extendedKey(std::uint8_t code) { return code * 256 + 255; }

inline constexpr KeyCode kNoKey = -1;
inline constexpr KeyCode kBackspaceKey = 8;
inline constexpr KeyCode kTabKey = 9;
inline constexpr KeyCode kLineFeedKey = 10;  // Ctrl+Enter
inline constexpr KeyCode kEnterKey = 13;
inline constexpr KeyCode kEscapeKey = 27;
inline constexpr KeyCode kHomeKey = extendedKey(0x47);
inline constexpr KeyCode kUpKey = extendedKey(0x48);
inline constexpr KeyCode kLeftKey = extendedKey(0x4B);
inline constexpr KeyCode kRightKey = extendedKey(0x4D);
inline constexpr KeyCode kEndKey = extendedKey(0x4F);
inline constexpr KeyCode kDownKey = extendedKey(0x50);
inline constexpr KeyCode kDeleteKey = extendedKey(0x53);
inline constexpr KeyCode kAltF4 = extendedKey(0x6B);

}  // namespace maze
