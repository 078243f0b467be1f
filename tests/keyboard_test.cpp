#include "console/keyboard.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "platform/keyboard_layout.hpp"
#include "support/test_console.hpp"

namespace maze {
namespace {

constexpr std::uint32_t kAlt = kLeftAltPressed;
constexpr std::uint32_t kCtrl = kLeftCtrlPressed;
constexpr std::uint32_t kShift = kShiftPressed;

KeyCode ext(int code) { return code * 256 + 255; }

class KeyboardTest : public ::testing::Test, protected TestConsole {
 protected:
  KeyCode translate(std::uint8_t ch, std::uint16_t sc, std::uint16_t vk, std::uint32_t st) {
    return translateKeyEvent(host, ch, sc, vk, st);
  }

  // Every key the buffer holds after one poll, oldest first.
  std::vector<std::string> drain() {
    std::vector<std::string> keys;
    for (std::string key = inkey(console); !key.empty(); key = inkey(console)) keys.push_back(key);
    return keys;
  }

  void pushEvent(bool down, std::uint16_t vk, std::uint32_t state, std::uint8_t ch = 0,
                 std::uint16_t repeat = 1) {
    host.pushInput({kKeyEvent, {down, repeat, vk, usScanCodeForVirtualKey(vk), ch, state}});
  }

  // Alt held while the digits are typed on the keypad, then released.
  void typeAltNumpad(const std::string& digits, std::uint32_t state = kAlt) {
    pushEvent(true, vk::kMenu, kAlt);
    for (char d : digits) keypadDigit(d, state);
    pushEvent(false, vk::kMenu, 0);
  }
  void keypadDigit(char d, std::uint32_t state, std::uint16_t repeat = 1) {
    const auto key = static_cast<std::uint16_t>(vk::kNumpad0 + (d - '0'));
    pushEvent(true, key, state, 0, repeat);
    pushEvent(false, key, state);
  }
};

// The extended code in a column (normal, Shift, Ctrl, Alt) of the key with
// this scan code, 0 for none, by the keyboard's rules.
constexpr int kKeypadCtrl[] = {0x77, 0x8D, 0x84, 0,    0x73, 0x8F, 0x74,
                               0,    0x75, 0x91, 0x76, 0x92, 0x93};
int ruledCode(int scan, int column) {
  if (scan >= 0x3B && scan <= 0x44) {  // F1 to F10
    return scan + std::array{0, 0x19, 0x23, 0x2D}[column];
  }
  if (scan == 0x57 || scan == 0x58) return 0x85 + (scan - 0x57) + 2 * column;  // F11, F12
  if (scan >= 0x47 && scan <= 0x53) {  // the keypad, 7 (Home) to . (Del)
    const int ctrl = kKeypadCtrl[scan - 0x47];
    if (ctrl == 0) return 0;
    if (column == 3 && scan == 0x4C) return 0x4C;
    return std::array{scan, 0, ctrl, 0}[column];
  }
  if (column == 2) return scan == 0x03 ? 0x03 : scan == 0x0F ? 0x94 : 0;  // Ctrl+2 is NUL
  if (column == 1) return scan == 0x0F ? 0x0F : 0;                        // Shift+Tab
  if (column == 0) return 0;
  // Alt with 1 to = counts from 0x78, but 7 and 8 repeat the codes of - and =.
  if (scan >= 0x02 && scan <= 0x0D) return scan == 0x08 ? 0x82 : scan == 0x09 ? 0x83 : 0x76 + scan;
  if (scan == 0x0E) return 0xE0;
  // Alt with Esc, Tab, Enter and the letter rows gives the key's own scan code.
  const bool own = scan == 0x01 ||
                   (scan >= 0x0F && scan <= 0x35 && scan != 0x1D && scan != 0x2A && scan != 0x2B);
  return own ? scan : 0;
}

// Keys without a character, each cell of the tables on its own.
TEST_F(KeyboardTest, EveryCellOfTheKeyTablesFollowsItsRule) {
  const std::uint32_t columns[] = {0, kShift, kCtrl, kAlt};
  for (std::uint16_t scan = 0; scan <= 0x60; ++scan) {
    for (int c = 0; c < 4; ++c) {
      const int code = scan <= 0x58 ? ruledCode(scan, c) : 0;
      EXPECT_EQ(translate(0, scan, 0, columns[c]), code != 0 ? ext(code) : kNoKey)
          << std::hex << scan << " column " << c;
    }
  }
  // The keys beside the keypad: Shift changes nothing, Ctrl is the keypad's
  // and Alt counts on from 0x97.
  const std::uint32_t e = kEnhancedKey;
  for (std::uint16_t scan : {0x47, 0x48, 0x49, 0x4B, 0x4D, 0x4F, 0x50, 0x51, 0x52, 0x53}) {
    const std::array<KeyCode, 4> cells{ext(scan), ext(scan), ext(kKeypadCtrl[scan - 0x47]),
                                       ext(scan + 0x50)};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(translate(0, scan, 0, e | columns[c]), cells[c]) << scan;
  }
  const std::array<KeyCode, 4> enter{13, 13, 10, ext(0xA6)}, slash{'/', '?', ext(0x95), ext(0xA4)};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(translate(0, 0x1C, 0, e | columns[c]), enter[c]);
    EXPECT_EQ(translate(0, 0x35, 0, e | columns[c]), slash[c]);
  }
  EXPECT_EQ(translate(0, 0x1D, vk::kControl, e | kCtrl), kNoKey);  // right Ctrl
}

TEST_F(KeyboardTest, CharactersAndModifiers) {
  EXPECT_EQ(translate('q', 0x10, 'Q', 0), 'q');
  EXPECT_EQ(translate('a', 0x1E, 'A', kAlt), ext(0x1E));
  EXPECT_EQ(translate('A', 0x1E, 'A', kAlt | kShift), ext(0x1E));
  EXPECT_EQ(translate('7', 0x08, '7', kAlt), ext(0x82));
  EXPECT_EQ(translate('5', 0x4C, vk::kNumpad0 + 5, kAlt), ext(0x4C));
  EXPECT_EQ(translate(0, 0x3E, vk::kF1 + 3, kAlt | kCtrl | kShift), ext(0x6B));  // Alt wins
  EXPECT_EQ(translate(1, 0x1E, 'A', kCtrl), 1);
  EXPECT_EQ(translate('A', 0x1E, 'A', kShift), 'A');
  // Tab's character takes a column only with a modifier.
  EXPECT_EQ(translate(9, 0x0F, vk::kTab, 0), 9);
  EXPECT_EQ(translate(9, 0x0F, vk::kTab, kShift), ext(0x0F));
  EXPECT_EQ(translate(9, 0x0F, vk::kTab, kCtrl), ext(0x94));
  // Rows without codes give the character.
  EXPECT_EQ(translate('\\', 0x2B, 0xDC, kAlt), '\\');
  EXPECT_EQ(translate(' ', 0x39, vk::kSpace, kAlt), ' ');
  // AltGr: Alt and Ctrl with a character of another key's own.
  EXPECT_EQ(translate('@', 0x10, 'Q', kAlt | kCtrl), '@');
  EXPECT_EQ(translate(0, 0x38, vk::kMenu, kAlt), kNoKey);
  EXPECT_EQ(translate(0, 0x2A, vk::kShift, kShift), kNoKey);
  EXPECT_EQ(translate(0, 0x1D, vk::kControl, kCtrl), kNoKey);
  EXPECT_EQ(translate(0, 0x3A, 0x14, 0), kNoKey);  // Caps Lock
  // Beyond the table only the character counts; with a character the
  // enhanced table is not consulted.
  EXPECT_EQ(translate('x', 0x70, 0, kAlt), 'x');
  EXPECT_EQ(translate(13, 0x1C, vk::kReturn, kEnhancedKey), 13);
}

// A layout whose answers carry flags above the low word and letters
// outside ASCII.
class OtherLayout : public TestHost {
 public:
  std::uint32_t mapVirtualKey(std::uint32_t code, std::uint32_t mapType) override {
    if (code == 0xC0) return 0xC4;                            // a key labelled with A umlaut
    if (code == 'A') return 0x80000000u | 0x12340000u | 'A';  // flags in the high bits
    return TestHost::mapVirtualKey(code, mapType);
  }
};

TEST(KeyTranslation, OnlyTheLowWordAndAsciiLettersCount) {
  OtherLayout layout;
  EXPECT_EQ(translateKeyEvent(layout, 'a', 0x1E, 'A', kAlt), ext(0x1E));
  // The lower-case umlaut is not the key's character in this program's
  // case rules, so it stays a character.
  EXPECT_EQ(translateKeyEvent(layout, 0xE4, 0x29, 0xC0, kAlt), 0xE4);
  EXPECT_EQ(translateKeyEvent(layout, 0xC4, 0x29, 0xC0, kAlt), ext(0x29));
}

TEST_F(KeyboardTest, InkeyTakesOneKeyAndKeyHitOnlyLooks) {
  EXPECT_EQ(inkey(console), "");
  EXPECT_FALSE(keyHit(console));
  host.typeText("q");
  host.pushVirtualKey(vk::kF1);
  host.pushVirtualKey(vk::kUp);
  host.pushVirtualKey(vk::kF1 + 3, kAlt);
  host.typeText("\xFF");  // the character 255 is one byte, not an extended key
  EXPECT_TRUE(keyHit(console));
  EXPECT_TRUE(keyHit(console));
  EXPECT_EQ(host.pendingInput(), 0u);  // one poll empties the console's queue
  EXPECT_EQ(drain(), (std::vector<std::string>{"q", "\xFF\x3B", "\xFF\x48", "\xFF\x6B", "\xFF"}));
  EXPECT_FALSE(keyHit(console));
  EXPECT_EQ(inkey(console), "");
}

TEST_F(KeyboardTest, OnlyPressesTypeAndEachOnceHoweverOftenRepeated) {
  host.pushInput({kMouseEvent, {}});
  host.typeText("a");
  host.pushInput({kFocusEvent, {}});
  pushEvent(false, 'B', 0, 'b');
  pushEvent(true, 'C', 0, 'c', 0);
  pushEvent(true, 'D', 0, 'd', 3);
  EXPECT_EQ(drain(), (std::vector<std::string>{"a", "d"}));
  EXPECT_EQ(host.pendingInput(), 0u);
}

TEST_F(KeyboardTest, AltWithKeypadDigits) {
  typeAltNumpad("65");
  EXPECT_EQ(drain(), std::vector<std::string>{"A"});
  typeAltNumpad("321");  // no range check: 321 modulo 256
  EXPECT_EQ(drain(), std::vector<std::string>{"A"});
  EXPECT_EQ(console.keyboard.altNumpadCode, 0);
  typeAltNumpad(std::string(25, '9'));  // no overflow however many digits
  EXPECT_EQ(drain(), std::vector<std::string>{"\xFF"});
  typeAltNumpad("65", kAlt | kShift);  // Shift held: no code
  EXPECT_EQ(drain(), std::vector<std::string>{});

  // A press repeated no times adds no digit; the press of a key that ends
  // Alt alone delivers the code, before that key's release.
  pushEvent(true, vk::kMenu, kAlt);
  keypadDigit('6', kAlt);
  keypadDigit('5', kAlt, 0);
  keypadDigit('5', kAlt);
  pushEvent(true, vk::kControl, kAlt | kCtrl);
  EXPECT_EQ(drain(), std::vector<std::string>{"A"});

  // A key with a code of its own discards the digits so far.
  pushEvent(false, vk::kControl, 0);
  pushEvent(true, vk::kMenu, kAlt);
  keypadDigit('6', kAlt);
  pushEvent(true, 'X', kAlt, 'x');
  pushEvent(false, 'X', kAlt, 'x');
  pushEvent(false, vk::kMenu, 0);
  EXPECT_EQ(drain(), std::vector<std::string>{"\xFF\x2D"});
}

TEST_F(KeyboardTest, AFullBufferKeepsTheNewestKeys) {
  std::string typed;
  for (int i = 0; i < 600; ++i) typed.push_back(static_cast<char>('a' + i % 26));
  host.typeText(typed);
  const std::vector<std::string> keys = drain();
  ASSERT_EQ(keys.size(), 511u);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    ASSERT_EQ(keys[i], std::string(1, typed[600 - 511 + i])) << i;
  }
}

TEST(KeyboardLifetime, AConsoleThatIsGoneIsLeftAloneByTheHandlers) {
  TestHost host;
  TestScreen screen;
  {
    ConsoleState console(host, screen);
    inkey(console);  // registers the control and exit handlers
    EXPECT_EQ(host.ctrlHandlerCount(), 1u);
  }
  EXPECT_EQ(host.ctrlHandlerCount(), 0u);
  EXPECT_FALSE(host.raiseCtrlEvent(kCtrlCloseEvent));
  EXPECT_THROW(host.exitProcess(0), ProcessExit);  // its exit handler touches nothing
}

TEST(KeyBuffer, RingWrapsRound) {
  KeyBuffer keys;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 400; ++i) storeKey(keys, i);
    for (int i = 0; i < 400; ++i) ASSERT_EQ(takeKey(keys), i);
    EXPECT_FALSE(hasKey(keys));
    EXPECT_EQ(takeKey(keys), kNoKey);
  }
}

TEST_F(KeyboardTest, ControlHandlerLifecycle) {
  EXPECT_EQ(host.ctrlHandlerCount(), 0u);
  EXPECT_FALSE(host.raiseCtrlEvent(kCtrlCloseEvent));  // not yet registered
  inkey(console);
  inkey(console);
  EXPECT_EQ(host.ctrlHandlerCount(), 1u);

  for (std::uint32_t event : {kCtrlCloseEvent, kCtrlLogoffEvent, kCtrlShutdownEvent}) {
    EXPECT_TRUE(host.raiseCtrlEvent(event));
    EXPECT_EQ(inkey(console), "\xFF\x6B");
  }
  for (std::uint32_t event : {kCtrlCEvent, kCtrlBreakEvent, 3u}) {
    EXPECT_FALSE(host.raiseCtrlEvent(event)) << event;
  }
  EXPECT_EQ(inkey(console), "");

  EXPECT_THROW(host.exitProcess(0), ProcessExit);
  EXPECT_EQ(host.ctrlHandlerCount(), 0u);
}

TEST_F(KeyboardTest, NoConsoleInputMeansNoKeys) {
  host.inputIsConsole = false;
  host.typeText("abc");
  EXPECT_EQ(inkey(console), "");
  EXPECT_FALSE(keyHit(console));
}

}  // namespace
}  // namespace maze
