// The seam between the console services and whatever console they run on.
// Each call mirrors one Windows console, counter or runtime call, with the
// same arguments and the same success rules, so the console services read
// the same on every backend.
#pragma once

#include <cstdint>

namespace maze {

using Handle = std::intptr_t;
inline constexpr Handle kNoHandle = 0;
enum class StdHandle { Input, Output };

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
};

struct CharCell {
  std::uint8_t ch = ' ';
  std::uint16_t attr = 7;
  friend bool operator==(const CharCell&, const CharCell&) = default;
};

struct ScreenBufferInfo {
  Coord size;
  Coord cursor;
  std::uint16_t attributes = 7;
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

inline constexpr std::uint32_t kEnableProcessedInput = 0x1;
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
inline constexpr std::uint32_t kMapVkToChar = 2;

// Floating-point control word bits (precision and rounding control).
inline constexpr std::uint32_t kFpPrecisionMask = 0x30000;
inline constexpr std::uint32_t kFpRoundingMask = 0x300;

using CtrlHandler = bool (*)(std::uint32_t event);
using ExitHandler = void (*)();

class Platform {
 public:
  virtual ~Platform() = default;

  virtual Handle stdHandle(StdHandle which) = 0;
  virtual bool getConsoleMode(Handle h, std::uint32_t& mode) = 0;
  virtual bool setConsoleMode(Handle h, std::uint32_t mode) = 0;

  // Screen buffer.
  virtual bool getScreenBufferInfo(Handle h, ScreenBufferInfo& info) = 0;
  virtual bool fillAttribute(Handle h, std::uint16_t attr, std::uint32_t length, Coord start,
                             std::uint32_t& written) = 0;
  virtual bool fillCharacter(Handle h, std::uint8_t ch, std::uint32_t length, Coord start,
                             std::uint32_t& written) = 0;
  // Copies a block of `cells` (cellsSize wide and high, read from
  // cellsOrigin) into `target`, which comes back as the part written.
  virtual bool writeCells(Handle h, const CharCell* cells, Coord cellsSize, Coord cellsOrigin,
                          SmallRect& target) = 0;
  virtual bool scrollRect(Handle h, const SmallRect& scroll, const SmallRect* clip,
                          Coord destination, CharCell fill) = 0;
  virtual bool setCursorPosition(Handle h, Coord position) = 0;
  virtual bool getCursorInfo(Handle h, CursorInfo& info) = 0;
  virtual bool setCursorInfo(Handle h, const CursorInfo& info) = 0;
  virtual bool setWindowInfo(Handle h, bool absolute, const SmallRect& window) = 0;

  // Raw bytes to a handle; `written` tells how many were taken.
  virtual bool writeFile(Handle h, const void* bytes, std::uint32_t length,
                         std::uint32_t& written) = 0;
  // Marks the end of one output operation of the console services: a
  // backend that draws the screen elsewhere sends what changed now, so the
  // output has been shown when the operation returns.
  virtual void flushScreen(Handle h) = 0;
  virtual bool beep(std::uint32_t frequency, std::uint32_t durationMs) = 0;

  // Input.
  virtual bool peekInput(Handle h, InputRecord* records, std::uint32_t count,
                         std::uint32_t& read) = 0;
  virtual bool readInput(Handle h, InputRecord* records, std::uint32_t count,
                         std::uint32_t& read) = 0;
  // Blocks until an input event or a control event is waiting, or until
  // timeoutMs (kInfinite: no limit) has passed; true when something waits.
  // When the input has ended for good and nothing waits, the platform ends
  // the process with status 0 instead: no key can ever come.
  virtual bool waitForInput(Handle h, std::uint32_t timeoutMs) = 0;
  virtual bool setCtrlHandler(CtrlHandler handler, bool add) = 0;
  virtual std::uint32_t mapVirtualKey(std::uint32_t code, std::uint32_t mapType) = 0;

  // Time.
  virtual void sleep(std::uint32_t ms) = 0;
  virtual bool queryPerformanceFrequency(std::int64_t& frequency) = 0;
  virtual bool queryPerformanceCounter(std::int64_t& counter) = 0;
  virtual std::uint32_t tickCount() = 0;

  // Runtime library.
  virtual void setFloatingPointControl(std::uint32_t value, std::uint32_t mask) = 0;
  virtual bool atExit(ExitHandler handler) = 0;
  // Runs the at-exit handlers newest first, then ends the process.
  [[noreturn]] virtual void exitProcess(int status) = 0;
};

}  // namespace maze
