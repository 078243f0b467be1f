#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/posix/locale_charset.hpp"
#include "platform/terminal/cp437.hpp"
#include "platform/terminal/input_decoder.hpp"

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
  EXPECT_FALSE(unicodeToCp437(0x7F).has_value());  // DEL is a control too
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

// A locale that is not UTF-8: glyphs go out in its set, '?' for those it lacks, and typed
// characters come back from it.
TEST(PosixCp437, TheLocaleCharsetBothWays) {
  EXPECT_TRUE(LocaleCharset("utf8").utf8());
  EXPECT_TRUE(LocaleCharset("no such set").utf8());
  const LocaleCharset latin1("ISO-8859-1");
  const LocaleCharset koi8("KOI8-R");
  const LocaleCharset ascii("ANSI_X3.4-1968");
  ASSERT_FALSE(latin1.utf8());
  // Sequences unchanged; e acute, a shade, a smiley (a control-range glyph), the pilcrow.
  const std::string glyphs = std::string("\x1b[0mA") + std::string(cp437ToUtf8(0x82)) +
                             std::string(cp437ToUtf8(0xB0)) + std::string(cp437ToUtf8(1)) +
                             std::string(cp437ToUtf8(0x14));
  EXPECT_EQ(latin1.fromUtf8(glyphs), "\x1b[0mA\xe9??\xb6");
  EXPECT_EQ(koi8.fromUtf8(glyphs), "\x1b[0mA?\x90??");
  EXPECT_EQ(ascii.fromUtf8(glyphs), "\x1b[0mA????");
  EXPECT_EQ(latin1.fromUtf8(std::string(3000, 'x') + "\xe2\x96\x91"), std::string(3000, 'x') + "?");

  // Typed: a character of the set is its code page byte; one the code page lacks, or bytes the
  // set does not hold, a '?'.
  const auto typed = [](const LocaleCharset& charset, const std::string& bytes) {
    InputDecoder decoder(InputDecoder::Source::Terminal, &charset);
    std::deque<InputRecord> out;
    decoder.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), 0, out);
    decoder.expire(INT64_MAX, out);
    std::string keys;
    for (const InputRecord& r : out) {
      if (r.key.keyDown) keys += r.key.ch != 0 ? static_cast<char>(r.key.ch) : '^';
    }
    return keys;
  };
  EXPECT_EQ(typed(latin1,
                  "\xe9\xa4"
                  "a"),
            "\x82?a");
  EXPECT_EQ(typed(koi8, "\x90\xc1"), "\xb0?");
  EXPECT_EQ(typed(ascii,
                  "\xe9"
                  "a"),
            "?a");
  const LocaleCharset eucJp("EUC-JP");
  EXPECT_EQ(typed(eucJp, "\xa6\xc1x"), "\xe0x");  // the two bytes of alpha are one key
  EXPECT_EQ(typed(eucJp, "\xa1\x1b[A"), "?^");    // cut short by the Up key
}

}  // namespace
}  // namespace maze
