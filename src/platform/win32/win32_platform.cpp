#include "platform/win32/win32_platform.hpp"

#include <float.h>

#include <cstdlib>

#include "platform/win32/ctrl_dispatch.hpp"

namespace maze {
namespace {

// Handles cross the seam as integers; turning them back is the point.
// NOLINTNEXTLINE(performance-no-int-to-ptr)
HANDLE toNative(Handle h) { return reinterpret_cast<HANDLE>(h); }
Handle fromNative(HANDLE h) { return reinterpret_cast<Handle>(h); }

COORD toNative(Coord c) { return COORD{c.x, c.y}; }
Coord fromNative(COORD c) { return Coord{c.X, c.Y}; }

SMALL_RECT toNative(const SmallRect& r) { return SMALL_RECT{r.left, r.top, r.right, r.bottom}; }
SmallRect fromNative(const SMALL_RECT& r) { return SmallRect{r.Left, r.Top, r.Right, r.Bottom}; }

CHAR_INFO toNative(CharCell cell) {
  CHAR_INFO info{};
  info.Char.AsciiChar = static_cast<CHAR>(cell.ch);
  info.Attributes = cell.attr;
  return info;
}

InputRecord fromNative(const INPUT_RECORD& native) {
  InputRecord record;
  record.eventType = native.EventType;
  if (native.EventType == KEY_EVENT) {
    const KEY_EVENT_RECORD& key = native.Event.KeyEvent;
    record.key.keyDown = key.bKeyDown != FALSE;
    record.key.repeatCount = key.wRepeatCount;
    record.key.virtualKeyCode = key.wVirtualKeyCode;
    record.key.virtualScanCode = key.wVirtualScanCode;
    record.key.ch = static_cast<std::uint8_t>(key.uChar.AsciiChar);
    record.key.controlKeyState = key.dwControlKeyState;
  }
  return record;
}

bool isConsoleInput(HANDLE h) {
  DWORD mode = 0;
  return GetConsoleMode(h, &mode) != FALSE;
}

}  // namespace

Win32Platform::Win32Platform() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  stdInput_ = fromNative(input);
  if (!isConsoleInput(input)) streamInput_ = std::make_unique<win32::StreamInput>(input);
}

Handle Win32Platform::stdHandle(StdHandle which) {
  return fromNative(GetStdHandle(which == StdHandle::Input ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE));
}

bool Win32Platform::getConsoleMode(Handle h, std::uint32_t& mode) {
  DWORD native = 0;
  if (!GetConsoleMode(toNative(h), &native)) return false;
  mode = native;
  return true;
}

bool Win32Platform::setConsoleMode(Handle h, std::uint32_t mode) {
  return SetConsoleMode(toNative(h), mode) != FALSE;
}

bool Win32Platform::getScreenBufferInfo(Handle h, ScreenBufferInfo& info) {
  CONSOLE_SCREEN_BUFFER_INFO native{};
  if (!GetConsoleScreenBufferInfo(toNative(h), &native)) return false;
  info.size = fromNative(native.dwSize);
  info.cursor = fromNative(native.dwCursorPosition);
  info.attributes = native.wAttributes;
  info.window = fromNative(native.srWindow);
  return true;
}

bool Win32Platform::fillAttribute(Handle h, std::uint16_t attr, std::uint32_t length, Coord start,
                                  std::uint32_t& written) {
  DWORD count = 0;
  const bool ok = FillConsoleOutputAttribute(toNative(h), attr, length, toNative(start), &count);
  written = ok ? count : 0;
  return ok;
}

bool Win32Platform::fillCharacter(Handle h, std::uint8_t ch, std::uint32_t length, Coord start,
                                  std::uint32_t& written) {
  DWORD count = 0;
  const bool ok = FillConsoleOutputCharacterA(toNative(h), static_cast<CHAR>(ch), length,
                                              toNative(start), &count);
  written = ok ? count : 0;
  return ok;
}

bool Win32Platform::writeCells(Handle h, const CharCell* cells, Coord cellsSize, Coord cellsOrigin,
                               SmallRect& target) {
  const std::size_t total =
      cellsSize.x > 0 && cellsSize.y > 0 ? static_cast<std::size_t>(cellsSize.x) * cellsSize.y : 0;
  cellScratch_.resize(total);
  for (std::size_t i = 0; i < total; ++i) cellScratch_[i] = toNative(cells[i]);
  SMALL_RECT region = toNative(target);
  if (!WriteConsoleOutputA(toNative(h), cellScratch_.data(), toNative(cellsSize),
                           toNative(cellsOrigin), &region)) {
    return false;
  }
  target = fromNative(region);
  return true;
}

bool Win32Platform::scrollRect(Handle h, const SmallRect& scroll, const SmallRect* clip,
                               Coord destination, CharCell fill) {
  const SMALL_RECT nativeScroll = toNative(scroll);
  SMALL_RECT nativeClip{};
  if (clip) nativeClip = toNative(*clip);
  const CHAR_INFO nativeFill = toNative(fill);
  return ScrollConsoleScreenBufferA(toNative(h), &nativeScroll, clip ? &nativeClip : nullptr,
                                    toNative(destination), &nativeFill) != FALSE;
}

bool Win32Platform::setCursorPosition(Handle h, Coord position) {
  return SetConsoleCursorPosition(toNative(h), toNative(position)) != FALSE;
}

bool Win32Platform::getCursorInfo(Handle h, CursorInfo& info) {
  CONSOLE_CURSOR_INFO native{};
  if (!GetConsoleCursorInfo(toNative(h), &native)) return false;
  info.size = native.dwSize;
  info.visible = native.bVisible != FALSE;
  return true;
}

bool Win32Platform::setCursorInfo(Handle h, const CursorInfo& info) {
  const CONSOLE_CURSOR_INFO native{info.size, info.visible ? TRUE : FALSE};
  return SetConsoleCursorInfo(toNative(h), &native) != FALSE;
}

bool Win32Platform::setWindowInfo(Handle h, bool absolute, const SmallRect& window) {
  const SMALL_RECT native = toNative(window);
  return SetConsoleWindowInfo(toNative(h), absolute ? TRUE : FALSE, &native) != FALSE;
}

bool Win32Platform::writeFile(Handle h, const void* bytes, std::uint32_t length,
                              std::uint32_t& written) {
  DWORD count = 0;
  const bool ok = WriteFile(toNative(h), bytes, length, &count, nullptr) != FALSE;
  written = ok ? count : 0;
  return ok;
}

// The console shows every write at once.
void Win32Platform::flushScreen(Handle) {}

bool Win32Platform::beep(std::uint32_t frequency, std::uint32_t durationMs) {
  return Beep(frequency, durationMs) != FALSE;
}

bool Win32Platform::readConsoleRecords(Handle h, InputRecord* records, std::uint32_t count,
                                       std::uint32_t& read, bool remove) {
  read = 0;
  if (count == 0) return true;
  inputScratch_.resize(count);
  DWORD got = 0;
  const BOOL ok = remove ? ReadConsoleInputA(toNative(h), inputScratch_.data(), count, &got)
                         : PeekConsoleInputA(toNative(h), inputScratch_.data(), count, &got);
  if (!ok) return false;
  for (DWORD i = 0; i < got; ++i) records[i] = fromNative(inputScratch_[i]);
  read = got;
  return true;
}

bool Win32Platform::peekInput(Handle h, InputRecord* records, std::uint32_t count,
                              std::uint32_t& read) {
  if (!isStreamInput(h)) return readConsoleRecords(h, records, count, read, false);
  read = streamInput_->take(records, count, false);
  return true;
}

bool Win32Platform::readInput(Handle h, InputRecord* records, std::uint32_t count,
                              std::uint32_t& read) {
  if (!isStreamInput(h)) return readConsoleRecords(h, records, count, read, true);
  read = 0;
  if (count == 0) return true;
  // Like the console's read, this waits until at least one record is there;
  // once the input has ended none ever will.
  for (;;) {
    const auto result = streamInput_->wait(nullptr, kInfinite);
    if (result == win32::StreamInput::Wait::Ready) break;
    if (result == win32::StreamInput::Wait::Ended) exitProcess(0);
  }
  read = streamInput_->take(records, count, true);
  return true;
}

bool Win32Platform::waitForInput(Handle h, std::uint32_t timeoutMs) {
  const HANDLE ctrlSignal = win32::ctrlEventSignal();
  if (isStreamInput(h)) {
    switch (streamInput_->wait(ctrlSignal, timeoutMs)) {
      case win32::StreamInput::Wait::Ready:
      case win32::StreamInput::Wait::Signalled: return true;
      case win32::StreamInput::Wait::TimedOut: return false;
      case win32::StreamInput::Wait::Ended: exitProcess(0);
    }
  }
  const HANDLE handles[2] = {toNative(h), ctrlSignal};
  const DWORD result = WaitForMultipleObjects(ctrlSignal ? 2 : 1, handles, FALSE, timeoutMs);
  if (result == WAIT_FAILED) {
    // Not a handle that can be waited on: nothing will come through it,
    // so at least do not spin.
    Sleep(timeoutMs == kInfinite ? 25 : timeoutMs);
    return false;
  }
  return result == WAIT_OBJECT_0 || result == WAIT_OBJECT_0 + 1;
}

bool Win32Platform::setCtrlHandler(CtrlHandler handler, bool add) {
  return win32::setCtrlHandler(handler, add);
}

std::uint32_t Win32Platform::mapVirtualKey(std::uint32_t code, std::uint32_t mapType) {
  return MapVirtualKeyA(code, mapType);
}

void Win32Platform::sleep(std::uint32_t ms) { Sleep(ms); }

bool Win32Platform::queryPerformanceFrequency(std::int64_t& frequency) {
  LARGE_INTEGER value{};
  if (!QueryPerformanceFrequency(&value) || value.QuadPart == 0) return false;
  frequency = value.QuadPart;
  return true;
}

bool Win32Platform::queryPerformanceCounter(std::int64_t& counter) {
  LARGE_INTEGER value{};
  if (!QueryPerformanceCounter(&value)) return false;
  counter = value.QuadPart;
  return true;
}

std::uint32_t Win32Platform::tickCount() { return GetTickCount(); }

void Win32Platform::setFloatingPointControl(std::uint32_t value, std::uint32_t mask) {
#if !defined(__i386__) && !defined(_M_IX86)
  // Only the x87 unit has a precision control; SSE arithmetic is always
  // double precision, and the runtime rejects the precision mask here.
  mask &= ~static_cast<std::uint32_t>(_MCW_PC);
#endif
  _controlfp(value, mask);
}

bool Win32Platform::atExit(ExitHandler handler) { return std::atexit(handler) == 0; }

void Win32Platform::exitProcess(int status) { std::exit(status); }

}  // namespace maze
