#include "platform/byte_keys.hpp"

#include <gtest/gtest.h>

#include <string>

namespace maze {
namespace {

// The presses the decoder makes of `bytes`, as their characters.
std::string pressedChars(const std::string& bytes) {
  ByteKeyDecoder decoder;
  std::deque<InputRecord> records;
  for (char byte : bytes) decoder.feed(static_cast<std::uint8_t>(byte), records);
  std::string chars;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const KeyEventRecord& key = records[i].key;
    EXPECT_EQ(records[i].eventType, kKeyEvent);
    EXPECT_EQ(key.keyDown, i % 2 == 0) << "each press is followed by its release";
    if (key.keyDown) chars.push_back(static_cast<char>(key.ch));
  }
  return chars;
}

TEST(ByteKeyDecoder, EveryLineEndIsOneEnter) {
  EXPECT_EQ(pressedChars("n\r\ns\nq\r"), "n\rs\rq\r");
  EXPECT_EQ(pressedChars("\r\r\n\n"), "\r\r\r");
  EXPECT_EQ(pressedChars("\n\r"), "\r\r");
}

TEST(ByteKeyDecoder, KeysAreThoseOfAUsKeyboard) {
  ByteKeyDecoder decoder;
  std::deque<InputRecord> records;
  decoder.feed('N', records);
  decoder.feed('\n', records);
  decoder.feed(0xE9, records);
  ASSERT_EQ(records.size(), 6u);
  EXPECT_EQ(records[0].key.virtualKeyCode, 'N');
  EXPECT_EQ(records[0].key.virtualScanCode, 0x31);
  EXPECT_EQ(records[0].key.controlKeyState, kShiftPressed);
  EXPECT_EQ(records[0].key.repeatCount, 1);
  EXPECT_EQ(records[2].key.virtualKeyCode, 0x0D);
  EXPECT_EQ(records[2].key.virtualScanCode, 0x1C);
  EXPECT_EQ(records[2].key.controlKeyState, 0u) << "a line feed is plain Enter, not Ctrl+Enter";
  // No key types it: the character alone arrives.
  EXPECT_EQ(records[4].key.ch, 0xE9);
  EXPECT_EQ(records[4].key.virtualKeyCode, 0);
}

// The rows of a US keyboard, unshifted and shifted; the keys of a row have
// consecutive scan codes from the one given.
TEST(ByteKeyDecoder, EveryCharacterOfTheMainRowsComesFromItsKey) {
  const struct {
    const char* plain;
    const char* shifted;
    std::uint16_t firstScanCode;
  } rows[] = {{"1234567890-=", "!@#$%^&*()_+", 0x02},
              {"qwertyuiop[]", "QWERTYUIOP{}", 0x10},
              {"asdfghjkl;'`", "ASDFGHJKL:\"~", 0x1E},
              {"zxcvbnm,./", "ZXCVBNM<>?", 0x2C}};
  for (const auto& row : rows) {
    for (const char* keys : {row.plain, row.shifted}) {
      for (std::size_t i = 0; keys[i] != 0; ++i) {
        ByteKeyDecoder decoder;
        std::deque<InputRecord> records;
        decoder.feed(static_cast<std::uint8_t>(keys[i]), records);
        ASSERT_EQ(records.size(), 2u) << keys[i];
        EXPECT_EQ(records[0].key.virtualScanCode, row.firstScanCode + i) << keys[i];
        EXPECT_EQ(records[0].key.controlKeyState, keys == row.shifted ? kShiftPressed : 0u)
            << keys[i];
      }
    }
  }
}

}  // namespace
}  // namespace maze
