#include "platform/keyboard_layout.hpp"

#include <algorithm>
#include <array>

namespace maze {
namespace {

struct PunctuationKey {
  std::uint8_t plain;
  std::uint8_t shifted;
  std::uint16_t virtualKey;
  std::uint16_t scanCode;
};

constexpr std::array<PunctuationKey, 12> kPunctuation{{
    {'-', '_', 0xBD, 0x0C},
    {'=', '+', 0xBB, 0x0D},
    {'[', '{', 0xDB, 0x1A},
    {']', '}', 0xDD, 0x1B},
    {';', ':', 0xBA, 0x27},
    {'\'', '"', 0xDE, 0x28},
    {'`', '~', 0xC0, 0x29},
    {'\\', '|', 0xDC, 0x2B},
    {',', '<', 0xBC, 0x33},
    {'.', '>', 0xBE, 0x34},
    {'/', '?', 0xBF, 0x35},
    {' ', ' ', vk::kSpace, 0x39},
}};

// Digit row: the shifted characters of 1 to 9, then 0.
constexpr std::array<std::uint8_t, 10> kShiftedDigits{'!', '@', '#', '$', '%',
                                                      '^', '&', '*', '(', ')'};

// Scan codes of the letters A to Z.
constexpr std::array<std::uint16_t, 26> kLetterScanCodes{
    0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
    0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

std::uint16_t digitScanCode(char digit) {
  return digit == '0' ? 0x0B : static_cast<std::uint16_t>(0x02 + (digit - '1'));
}

}  // namespace

std::uint32_t usVirtualKeyToChar(std::uint32_t virtualKey) {
  if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9')) {
    return virtualKey;
  }
  if (virtualKey >= vk::kNumpad0 && virtualKey <= vk::kNumpad0 + 9) {
    return '0' + (virtualKey - vk::kNumpad0);
  }
  switch (virtualKey) {
    case vk::kBack: return '\b';
    case vk::kTab: return '\t';
    case vk::kReturn: return '\r';
    case vk::kEscape: return 0x1B;
    case 0x6A: return '*';
    case 0x6B: return '+';
    case 0x6D: return '-';
    case 0x6E: return '.';
    case 0x6F: return '/';
    default: break;
  }
  for (const PunctuationKey& key : kPunctuation) {
    if (key.virtualKey == virtualKey) return static_cast<std::uint8_t>(key.plain);
  }
  return 0;
}

std::optional<KeyStroke> usKeyForChar(std::uint8_t ch) {
  if (ch >= 'a' && ch <= 'z') {
    return KeyStroke{static_cast<std::uint16_t>(ch - 'a' + 'A'), kLetterScanCodes[ch - 'a'], false,
                     false};
  }
  if (ch >= 'A' && ch <= 'Z') {
    return KeyStroke{ch, kLetterScanCodes[ch - 'A'], true, false};
  }
  if (ch >= '0' && ch <= '9')
    return KeyStroke{ch, digitScanCode(static_cast<char>(ch)), false, false};
  for (std::size_t i = 0; i < kShiftedDigits.size(); ++i) {
    if (kShiftedDigits[i] == ch) {
      const char digit = i == 9 ? '0' : static_cast<char>('1' + i);
      return KeyStroke{static_cast<std::uint16_t>(digit), digitScanCode(digit), true, false};
    }
  }
  for (const PunctuationKey& key : kPunctuation) {
    if (key.plain == ch) return KeyStroke{key.virtualKey, key.scanCode, false, false};
    if (key.shifted == ch) return KeyStroke{key.virtualKey, key.scanCode, true, false};
  }
  switch (ch) {
    case '\r': return KeyStroke{vk::kReturn, scan::kReturn, false, false};
    case '\n': return KeyStroke{vk::kReturn, scan::kReturn, false, true};  // Ctrl+Enter
    case '\t': return KeyStroke{vk::kTab, scan::kTab, false, false};
    case '\b': return KeyStroke{vk::kBack, scan::kBack, false, false};
    case 0x1B: return KeyStroke{vk::kEscape, scan::kEscape, false, false};
    default: break;
  }
  if (ch >= 1 && ch <= 26) {  // Ctrl with a letter
    return KeyStroke{static_cast<std::uint16_t>('A' + ch - 1), kLetterScanCodes[ch - 1], false,
                     true};
  }
  return std::nullopt;
}

KeyEventRecord usKeyEventForChar(std::uint8_t ch) {
  KeyEventRecord key;
  key.keyDown = true;
  key.repeatCount = 1;
  key.ch = ch;
  if (const auto stroke = usKeyForChar(ch)) {
    key.virtualKeyCode = stroke->virtualKeyCode;
    key.virtualScanCode = stroke->scanCode;
    key.controlKeyState =
        (stroke->shift ? kShiftPressed : 0u) | (stroke->ctrl ? kLeftCtrlPressed : 0u);
  }
  return key;
}

std::uint16_t usScanCodeForVirtualKey(std::uint16_t virtualKey) {
  if (virtualKey >= 'A' && virtualKey <= 'Z') return kLetterScanCodes[virtualKey - 'A'];
  if (virtualKey >= '0' && virtualKey <= '9') return digitScanCode(static_cast<char>(virtualKey));
  if (virtualKey >= vk::kF1 && virtualKey < vk::kF1 + 10) {
    return static_cast<std::uint16_t>(scan::kF1 + (virtualKey - vk::kF1));
  }
  switch (virtualKey) {
    case vk::kF1 + 10: return scan::kF11;
    case vk::kF1 + 11: return scan::kF12;
    case vk::kBack: return scan::kBack;
    case vk::kTab: return scan::kTab;
    case vk::kReturn: return scan::kReturn;
    case vk::kShift: return scan::kShift;
    case vk::kControl: return scan::kControl;
    case vk::kMenu: return scan::kMenu;
    case vk::kEscape: return scan::kEscape;
    case vk::kPrior: return scan::kPrior;
    case vk::kNext: return scan::kNext;
    case vk::kEnd: return scan::kEnd;
    case vk::kHome: return scan::kHome;
    case vk::kLeft: return scan::kLeft;
    case vk::kUp: return scan::kUp;
    case vk::kRight: return scan::kRight;
    case vk::kDown: return scan::kDown;
    case vk::kInsert: return scan::kInsert;
    case vk::kDelete: return scan::kDelete;
    default: break;
  }
  static constexpr std::array<std::uint16_t, 10> kNumpadScanCodes{0x52, 0x4F, 0x50, 0x51, 0x4B,
                                                                  0x4C, 0x4D, 0x47, 0x48, 0x49};
  if (virtualKey >= vk::kNumpad0 && virtualKey <= vk::kNumpad0 + 9) {
    return kNumpadScanCodes[virtualKey - vk::kNumpad0];
  }
  for (const PunctuationKey& key : kPunctuation) {
    if (key.virtualKey == virtualKey) return key.scanCode;
  }
  return 0;
}

}  // namespace maze
