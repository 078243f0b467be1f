// A fresh screen buffer of the real console, sized for a test, and the
// means to compare it with the in-memory screen: both are dumped as text
// (characters, attributes, cursor, window), so a difference shows as a diff.
#pragma once

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/memory/memory_screen.hpp"

namespace maze::testing {

class RealScreenBuffer {
 public:
  // `width` x `height` cells, the window over the top `windowRows` rows at
  // full width. Check ok(): there is none without a console.
  RealScreenBuffer(int width, int height, int windowRows) {
    // cppcheck-suppress useInitializationList
    handle_ =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return;
    // The window must fit the buffer at every step: shrink it first.
    const SMALL_RECT window{0, 0, static_cast<SHORT>(width - 1),
                            static_cast<SHORT>(windowRows - 1)};
    const SMALL_RECT corner{0, 0, 0, 0};
    ok_ = SetConsoleWindowInfo(handle_, TRUE, &corner) &&
          SetConsoleScreenBufferSize(
              handle_, COORD{static_cast<SHORT>(width), static_cast<SHORT>(height)}) &&
          SetConsoleWindowInfo(handle_, TRUE, &window) &&
          SetConsoleCursorPosition(handle_, COORD{0, 0});
  }
  ~RealScreenBuffer() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  RealScreenBuffer(const RealScreenBuffer&) = delete;
  RealScreenBuffer& operator=(const RealScreenBuffer&) = delete;

  bool ok() const { return ok_; }
  HANDLE native() const { return handle_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool ok_ = false;
};

struct ScreenDump {
  int width = 0;
  int height = 0;
  std::vector<CharCell> cells;
  Coord cursor;
  SmallRect window;
  std::uint16_t attributes = 0;
  CursorInfo cursorInfo;
};

inline ScreenDump dumpOf(MemoryScreen& model) {
  ScreenDump dump;
  dump.width = model.width();
  dump.height = model.height();
  for (int y = 0; y < dump.height; ++y) {
    for (int x = 0; x < dump.width; ++x) dump.cells.push_back(model.cell(x, y));
  }
  dump.cursor = model.cursor();
  dump.window = model.window();
  dump.attributes = model.attribute();
  CursorInfo info;
  model.getCursorInfo(info);
  dump.cursorInfo = info;
  return dump;
}

inline ScreenDump dumpOf(HANDLE buffer) {
  ScreenDump dump;
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(buffer, &info)) return dump;
  dump.width = info.dwSize.X;
  dump.height = info.dwSize.Y;
  std::vector<CHAR_INFO> native(static_cast<std::size_t>(dump.width) * dump.height);
  SMALL_RECT all{0, 0, static_cast<SHORT>(dump.width - 1), static_cast<SHORT>(dump.height - 1)};
  ReadConsoleOutputA(buffer, native.data(), info.dwSize, COORD{0, 0}, &all);
  for (const CHAR_INFO& cell : native) {
    dump.cells.push_back(CharCell{static_cast<std::uint8_t>(cell.Char.AsciiChar), cell.Attributes});
  }
  dump.cursor = {info.dwCursorPosition.X, info.dwCursorPosition.Y};
  dump.window = {info.srWindow.Left, info.srWindow.Top, info.srWindow.Right, info.srWindow.Bottom};
  dump.attributes = info.wAttributes;
  CONSOLE_CURSOR_INFO cursorInfo{};
  GetConsoleCursorInfo(buffer, &cursorInfo);
  dump.cursorInfo = {static_cast<std::uint32_t>(cursorInfo.dwSize), cursorInfo.bVisible != FALSE};
  return dump;
}

// One line per row: its characters, then its attributes in hexadecimal.
inline std::string toText(const ScreenDump& dump) {
  std::ostringstream out;
  out << "size " << dump.width << "x" << dump.height << " cursor " << dump.cursor.x << ","
      << dump.cursor.y << " window " << dump.window.left << "," << dump.window.top << "-"
      << dump.window.right << "," << dump.window.bottom << " attribute " << dump.attributes
      << " cursor size " << dump.cursorInfo.size << (dump.cursorInfo.visible ? " shown" : " hidden")
      << "\n";
  static const char kHex[] = "0123456789abcdef";
  for (int y = 0; y < dump.height; ++y) {
    std::string chars;
    std::string attrs;
    for (int x = 0; x < dump.width; ++x) {
      const CharCell& cell = dump.cells[static_cast<std::size_t>(y) * dump.width + x];
      chars.push_back(cell.ch >= 32 && cell.ch < 127 ? static_cast<char>(cell.ch) : '?');
      attrs.push_back(cell.attr < 16 ? kHex[cell.attr] : '+');
    }
    out << chars << " | " << attrs << "\n";
  }
  return out.str();
}

// Call results, in order, as readable lines.
class CallLog {
 public:
  CallLog& operator()(const std::string& call, bool ok) {
    lines_.push_back(call + (ok ? " ok" : " failed"));
    return *this;
  }
  CallLog& with(const std::string& name, long long value) {
    lines_.back() += " " + name + "=" + std::to_string(value);
    return *this;
  }
  CallLog& with(const SmallRect& r) {
    lines_.back() += " rect=" + std::to_string(r.left) + "," + std::to_string(r.top) + "-" +
                     std::to_string(r.right) + "," + std::to_string(r.bottom);
    return *this;
  }
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

}  // namespace maze::testing
