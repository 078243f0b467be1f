// Code page 437, the console's character set: what each byte looks like on
// a terminal that speaks UTF-8, and the byte a typed character becomes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace maze {

// The glyph of a byte, control-range bytes included (0 shows as a blank).
char32_t cp437ToUnicode(std::uint8_t byte);
// The same glyph encoded as UTF-8, 1 to 3 bytes.
std::string_view cp437ToUtf8(std::uint8_t byte);
// The byte of a typed character: ASCII as itself, other characters that the
// code page holds as their byte from 128 up; none for the rest. Control
// characters and the control-range glyphs never come back, so typing a
// smiley cannot send Ctrl+A.
std::optional<std::uint8_t> unicodeToCp437(char32_t code);

// Appends `code` as UTF-8; returns the number of bytes (1 to 4).
int encodeUtf8(char32_t code, char* out);

}  // namespace maze
