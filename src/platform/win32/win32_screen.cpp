#include "platform/win32/win32_screen.hpp"

namespace maze {
namespace {

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

}  // namespace

bool Win32Screen::getInfo(ScreenBufferInfo& info) {
  CONSOLE_SCREEN_BUFFER_INFO native{};
  if (!GetConsoleScreenBufferInfo(output_, &native)) return false;
  info.size = fromNative(native.dwSize);
  info.cursor = fromNative(native.dwCursorPosition);
  info.attributes = native.wAttributes;
  info.window = fromNative(native.srWindow);
  return true;
}

bool Win32Screen::fillAttribute(std::uint16_t attr, std::uint32_t length, Coord start,
                                std::uint32_t& written) {
  DWORD count = 0;
  const bool ok = FillConsoleOutputAttribute(output_, attr, length, toNative(start), &count);
  written = ok ? count : 0;
  return ok;
}

bool Win32Screen::fillCharacter(std::uint8_t ch, std::uint32_t length, Coord start,
                                std::uint32_t& written) {
  DWORD count = 0;
  const bool ok =
      FillConsoleOutputCharacterA(output_, static_cast<CHAR>(ch), length, toNative(start), &count);
  written = ok ? count : 0;
  return ok;
}

bool Win32Screen::writeCells(const CharCell* cells, Coord cellsSize, Coord cellsOrigin,
                             SmallRect& target) {
  const std::size_t total =
      cellsSize.x > 0 && cellsSize.y > 0 ? static_cast<std::size_t>(cellsSize.x) * cellsSize.y : 0;
  cellScratch_.resize(total);
  for (std::size_t i = 0; i < total; ++i) cellScratch_[i] = toNative(cells[i]);
  SMALL_RECT region = toNative(target);
  if (!WriteConsoleOutputA(output_, cellScratch_.data(), toNative(cellsSize), toNative(cellsOrigin),
                           &region)) {
    return false;
  }
  target = fromNative(region);
  return true;
}

bool Win32Screen::scrollRect(const SmallRect& scroll, const SmallRect* clip, Coord destination,
                             CharCell fill) {
  const SMALL_RECT nativeScroll = toNative(scroll);
  SMALL_RECT nativeClip{};
  if (clip) nativeClip = toNative(*clip);
  const CHAR_INFO nativeFill = toNative(fill);
  return ScrollConsoleScreenBufferA(output_, &nativeScroll, clip ? &nativeClip : nullptr,
                                    toNative(destination), &nativeFill) != FALSE;
}

bool Win32Screen::setCursorPosition(Coord position) {
  return SetConsoleCursorPosition(output_, toNative(position)) != FALSE;
}

bool Win32Screen::getCursorInfo(CursorInfo& info) {
  CONSOLE_CURSOR_INFO native{};
  if (!GetConsoleCursorInfo(output_, &native)) return false;
  info.size = native.dwSize;
  info.visible = native.bVisible != FALSE;
  return true;
}

bool Win32Screen::setCursorInfo(const CursorInfo& info) {
  const CONSOLE_CURSOR_INFO native{info.size, info.visible ? TRUE : FALSE};
  return SetConsoleCursorInfo(output_, &native) != FALSE;
}

bool Win32Screen::setWindowInfo(bool absolute, const SmallRect& window) {
  const SMALL_RECT native = toNative(window);
  return SetConsoleWindowInfo(output_, absolute ? TRUE : FALSE, &native) != FALSE;
}

}  // namespace maze
