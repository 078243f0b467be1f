#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/terminal/cp437.hpp"

namespace maze {
namespace {

TEST(PosixCp437, GlyphsOfTheCodePage) {
  EXPECT_EQ(cp437ToUtf8('A'), "A");
  EXPECT_EQ(cp437ToUtf8(0), " ");
  EXPECT_EQ(cp437ToUtf8(1), "\u263A");
  EXPECT_EQ(cp437ToUtf8(0x0F), "\u263C");
  EXPECT_EQ(cp437ToUtf8(0x1F), "\u25BC");
  EXPECT_EQ(cp437ToUtf8(0x7F), "\u2302");
  EXPECT_EQ(cp437ToUtf8(0x80), "\u00C7");
  EXPECT_EQ(cp437ToUtf8(0x9E), "\u20A7");
  EXPECT_EQ(cp437ToUtf8(0xB0), "\u2591");
  EXPECT_EQ(cp437ToUtf8(0xC5), "\u253C");
  EXPECT_EQ(cp437ToUtf8(0xDB), "\u2588");
  EXPECT_EQ(cp437ToUtf8(0xE1), "\u00DF");
  EXPECT_EQ(cp437ToUtf8(0xFE), "\u25A0");
  EXPECT_EQ(cp437ToUtf8(0xFF), "\u00A0");
}

TEST(PosixCp437, EveryByteHasItsOwnGlyphAndTheHighHalfComesBack) {
  std::set<char32_t> seen;
  for (int b = 1; b < 256; ++b) {
    const char32_t glyph = cp437ToUnicode(static_cast<std::uint8_t>(b));
    EXPECT_TRUE(seen.insert(glyph).second) << "byte " << b;
    EXPECT_TRUE(glyph >= 0x20 && glyph != 0x7F) << "byte " << b << " would be a control";
    const auto back = unicodeToCp437(glyph);
    if (b >= 0x20 && b != 0x7F) {
      ASSERT_TRUE(back.has_value()) << "byte " << b;
      EXPECT_EQ(*back, b);
    } else {
      // Typing a control-range glyph must never send a control byte.
      EXPECT_FALSE(back.has_value()) << "byte " << b;
    }
  }
  EXPECT_FALSE(unicodeToCp437(U'\u20AC').has_value());
  EXPECT_FALSE(unicodeToCp437(0x85).has_value());
}

TEST(PosixCp437, Utf8Encoding) {
  char out[4];
  EXPECT_EQ(encodeUtf8(U'a', out), 1);
  EXPECT_EQ(encodeUtf8(U'\u00E9', out), 2);
  EXPECT_EQ(std::string(out, 2), "\xc3\xa9");
  EXPECT_EQ(encodeUtf8(U'\u2591', out), 3);
  EXPECT_EQ(std::string(out, 3), "\xe2\x96\x91");
  EXPECT_EQ(encodeUtf8(U'\U0001F600', out), 4);
  EXPECT_EQ(std::string(out, 4), "\xf0\x9f\x98\x80");
}

}  // namespace
}  // namespace maze
