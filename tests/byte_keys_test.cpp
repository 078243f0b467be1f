#include "platform/byte_keys.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace maze {
namespace {

// The presses the decoder makes of `bytes`, each of which must be followed
// by its release.
std::vector<KeyEventRecord> presses(const std::string& bytes) {
  ByteKeyDecoder decoder;
  std::deque<InputRecord> records;
  for (char byte : bytes) decoder.feed(static_cast<std::uint8_t>(byte), records);
  std::vector<KeyEventRecord> keys;
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].eventType, kKeyEvent);
    EXPECT_EQ(records[i].key.keyDown, i % 2 == 0) << "each press is followed by its release";
    if (records[i].key.keyDown) keys.push_back(records[i].key);
  }
  return keys;
}

TEST(ByteKeyDecoder, EveryLineEndIsOneEnter) {
  const std::pair<const char*, const char*> bytesAndChars[] = {
      {"n\r\ns\nq\r", "n\rs\rq\r"}, {"\r\r\n\n", "\r\r\r"}, {"\n\r", "\r\r"}};
  for (const auto& [bytes, typed] : bytesAndChars) {
    std::string chars;
    for (const KeyEventRecord& key : presses(bytes)) chars.push_back(static_cast<char>(key.ch));
    EXPECT_EQ(chars, typed) << ::testing::PrintToString(bytes);
  }
}

// The keys of a US keyboard: Shift for capitals, a line feed as plain
// Enter (not Ctrl+Enter), and a character no key types arrives alone.
TEST(ByteKeyDecoder, KeysAreThoseOfAUsKeyboard) {
  const std::vector<KeyEventRecord> keys = presses("N\n\xE9");
  ASSERT_EQ(keys.size(), 3u);
  const struct {
    std::uint16_t virtualKey, scanCode;
    std::uint32_t state;
    std::uint8_t ch;
  } expected[] = {{'N', 0x31, kShiftPressed, 'N'}, {0x0D, 0x1C, 0, '\r'}, {0, 0, 0, 0xE9}};
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(keys[i].virtualKeyCode, expected[i].virtualKey) << i;
    EXPECT_EQ(keys[i].virtualScanCode, expected[i].scanCode) << i;
    EXPECT_EQ(keys[i].controlKeyState, expected[i].state) << i;
    EXPECT_EQ(keys[i].ch, expected[i].ch) << i;
    EXPECT_EQ(keys[i].repeatCount, 1) << i;
  }
}

// The rows of a US keyboard, unshifted and shifted; the keys of a row have
// consecutive scan codes from the one given.
TEST(ByteKeyDecoder, EveryCharacterOfTheMainRowsComesFromItsKey) {
  const struct {
    const char *plain, *shifted;
    std::uint16_t firstScanCode;
  } rows[] = {{"1234567890-=", "!@#$%^&*()_+", 0x02},
              {"qwertyuiop[]", "QWERTYUIOP{}", 0x10},
              {"asdfghjkl;'`", "ASDFGHJKL:\"~", 0x1E},
              {"zxcvbnm,./", "ZXCVBNM<>?", 0x2C}};
  for (const auto& row : rows) {
    for (const char* keys : {row.plain, row.shifted}) {
      for (std::size_t i = 0; keys[i] != 0; ++i) {
        const std::vector<KeyEventRecord> pressed = presses(std::string(1, keys[i]));
        ASSERT_EQ(pressed.size(), 1u) << keys[i];
        EXPECT_EQ(pressed[0].virtualScanCode, row.firstScanCode + i) << keys[i];
        EXPECT_EQ(pressed[0].controlKeyState, keys == row.shifted ? kShiftPressed : 0u) << keys[i];
      }
    }
  }
}

}  // namespace
}  // namespace maze
