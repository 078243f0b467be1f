// The console's own value types and facts, shared by the screen buffer, the
// host and the console services: coordinates and rectangles, cells, input
// records and their flags, control events, and the defaults the console
// falls back on.
#pragma once

#include <algorithm>
#include <cstdint>

namespace maze {

struct Coord {
  std::int16_t x = 0;
  std::int16_t y = 0;
};

// Inclusive on all four sides, like the console's own rectangles.
struct SmallRect {
  std::int16_t left = 0;
  std::int16_t top = 0;
  std::int16_t right = 0;
  std::int16_t bottom = 0;
  friend bool operator==(const SmallRect&, const SmallRect&) = default;
};

// A rectangle in plain ints, inclusive like SmallRect, for arithmetic that
// may leave the 16-bit range before it is clipped.
struct Rect {
  int left = 0;
  int top = 0;
  int right = -1;
  int bottom = -1;

  static constexpr Rect of(const SmallRect& r) { return {r.left, r.top, r.right, r.bottom}; }
  // The rectangle width x height with its top-left corner at (x, y).
  static constexpr Rect sized(int x, int y, int width, int height) {
    return {x, y, x + width - 1, y + height - 1};
  }
  constexpr int width() const { return right - left + 1; }
  constexpr int height() const { return bottom - top + 1; }
  constexpr bool empty() const { return left > right || top > bottom; }
  constexpr bool contains(int x, int y) const {
    return x >= left && x <= right && y >= top && y <= bottom;
  }
  constexpr Rect intersect(const Rect& o) const {
    return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
            std::min(bottom, o.bottom)};
  }
  constexpr Rect moved(int dx, int dy) const {
    return {left + dx, top + dy, right + dx, bottom + dy};
  }
  // The console's rectangle; the caller keeps the sides within 16 bits.
  constexpr SmallRect small() const {
    return {static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
            static_cast<std::int16_t>(right), static_cast<std::int16_t>(bottom)};
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

constexpr Coord coordAt(int x, int y) {
  return {static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)};
}

// What the console shows when nothing else is known: light grey on black,
// a window of 80 x 25, and the bell's tone.
inline constexpr std::uint16_t kDefaultAttribute = 7;
inline constexpr int kFallbackColumns = 80;
inline constexpr int kFallbackRows = 25;
inline constexpr std::uint32_t kBellFrequency = 1000;
inline constexpr std::uint32_t kBellDurationMs = 250;

struct CharCell {
  std::uint8_t ch = ' ';
  std::uint16_t attr = kDefaultAttribute;
  friend bool operator==(const CharCell&, const CharCell&) = default;
};

struct ScreenBufferInfo {
  Coord size;
  Coord cursor;
  std::uint16_t attributes = kDefaultAttribute;
  SmallRect window;
};

struct CursorInfo {
  std::uint32_t size = 25;
  bool visible = true;
};

// Input record kinds, as the console numbers them.
inline constexpr std::uint16_t kKeyEvent = 0x1;
inline constexpr std::uint16_t kMouseEvent = 0x2;
inline constexpr std::uint16_t kWindowBufferSizeEvent = 0x4;
inline constexpr std::uint16_t kMenuEvent = 0x8;
inline constexpr std::uint16_t kFocusEvent = 0x10;

// Control-key state flags of a key event.
inline constexpr std::uint32_t kRightAltPressed = 0x1;
inline constexpr std::uint32_t kLeftAltPressed = 0x2;
inline constexpr std::uint32_t kRightCtrlPressed = 0x4;
inline constexpr std::uint32_t kLeftCtrlPressed = 0x8;
inline constexpr std::uint32_t kShiftPressed = 0x10;
inline constexpr std::uint32_t kNumLockOn = 0x20;
inline constexpr std::uint32_t kEnhancedKey = 0x100;

struct KeyEventRecord {
  bool keyDown = false;
  std::uint16_t repeatCount = 0;
  std::uint16_t virtualKeyCode = 0;
  std::uint16_t virtualScanCode = 0;
  std::uint8_t ch = 0;  // in the console's input code page, 0 for none
  std::uint32_t controlKeyState = 0;
};

struct InputRecord {
  std::uint16_t eventType = 0;
  KeyEventRecord key;  // meaningful only for kKeyEvent
};

// Console control events.
inline constexpr std::uint32_t kCtrlCEvent = 0;
inline constexpr std::uint32_t kCtrlBreakEvent = 1;
inline constexpr std::uint32_t kCtrlCloseEvent = 2;
inline constexpr std::uint32_t kCtrlLogoffEvent = 5;
inline constexpr std::uint32_t kCtrlShutdownEvent = 6;

// Input mode bits; a console starts with processed, line and echo input.
inline constexpr std::uint32_t kEnableProcessedInput = 0x1;
inline constexpr std::uint32_t kEnableLineInput = 0x2;
inline constexpr std::uint32_t kEnableEchoInput = 0x4;
inline constexpr std::uint32_t kDefaultInputMode =
    kEnableProcessedInput | kEnableLineInput | kEnableEchoInput;

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
// The calls count time in milliseconds, the backends' clocks in nanoseconds.
inline constexpr std::int64_t kNsPerMs = 1'000'000;
inline constexpr std::uint32_t kMapVkToChar = 2;

// Floating-point control word bits (precision and rounding control).
inline constexpr std::uint32_t kFpPrecisionMask = 0x30000;
inline constexpr std::uint32_t kFpRoundingMask = 0x300;

// Virtual-key codes of the keys the console services and the backends name.
namespace vk {
inline constexpr std::uint16_t kBack = 0x08;
inline constexpr std::uint16_t kTab = 0x09;
inline constexpr std::uint16_t kClear = 0x0C;  // keypad 5 with Num Lock off
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
inline constexpr std::uint16_t kNumpad9 = 0x69;
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

using CtrlHandler = bool (*)(std::uint32_t event);
using ExitHandler = void (*)();

}  // namespace maze
