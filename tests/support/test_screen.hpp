// The in-memory screen as the tests drive it: faults to inject, an output
// that is no console, and setting up cells, cursor and attribute directly.
#pragma once

#include <string>
#include <utility>

#include "platform/memory/memory_screen.hpp"

namespace maze {

// Two coordinates (x and y, or row and column) checked in one comparison.
using XY = std::pair<int, int>;

class TestScreen : public MemoryScreen {
 public:
  using MemoryScreen::MemoryScreen;

  // false: the standard output is a file or a pipe, so every call fails.
  bool isConsole = true;
  // Calls that fail from now on (< 0: for ever).
  int failInfoCalls = 0;
  int failWriteCellsCalls = 0;

  bool getInfo(ScreenBufferInfo& info) override {
    return isConsole && !consume(failInfoCalls) && MemoryScreen::getInfo(info);
  }
  bool fillAttribute(std::uint16_t attr, std::uint32_t length, Coord start,
                     std::uint32_t& written) override {
    written = 0;
    return isConsole && MemoryScreen::fillAttribute(attr, length, start, written);
  }
  bool fillCharacter(std::uint8_t ch, std::uint32_t length, Coord start,
                     std::uint32_t& written) override {
    written = 0;
    return isConsole && MemoryScreen::fillCharacter(ch, length, start, written);
  }
  bool writeCells(const CharCell* cells, Coord cellsSize, Coord cellsOrigin,
                  SmallRect& target) override {
    return isConsole && !consume(failWriteCellsCalls) &&
           MemoryScreen::writeCells(cells, cellsSize, cellsOrigin, target);
  }
  bool scrollRect(const SmallRect& scroll, const SmallRect* clip, Coord destination,
                  CharCell fill) override {
    return isConsole && MemoryScreen::scrollRect(scroll, clip, destination, fill);
  }
  bool setCursorPosition(Coord position) override {
    return isConsole && MemoryScreen::setCursorPosition(position);
  }
  bool getCursorInfo(CursorInfo& info) override {
    return isConsole && MemoryScreen::getCursorInfo(info);
  }
  bool setCursorInfo(const CursorInfo& info) override {
    return isConsole && MemoryScreen::setCursorInfo(info);
  }
  bool setWindowInfo(bool absolute, const SmallRect& window) override {
    return isConsole && MemoryScreen::setWindowInfo(absolute, window);
  }

  // Writes text straight into the cells from (x, y).
  void putText(int x, int y, const std::string& text) {
    if (inside(x, y)) noteRowChanged(y);
    for (unsigned char ch : text) {
      if (!inside(x, y)) break;
      at(x++, y).ch = ch;
    }
  }
  void placeCursor(Coord position) { setCursor(position); }
  void setAttribute(std::uint16_t attr) { setCurrentAttribute(attr); }

  // Rows first..last (-1: the last) as rowText gives them, joined by '\n'.
  std::string text(int first = 0, int last = -1) const {
    std::string joined;
    for (int y = first; y <= (last < 0 ? height() - 1 : last); ++y) {
      joined += (y > first ? "\n" : "") + rowText(y);
    }
    return joined;
  }
  XY cursorAt() const { return {cursor().x, cursor().y}; }

 private:
  static bool consume(int& counter) {
    if (counter == 0) return false;
    if (counter > 0) --counter;
    return true;
  }
};

}  // namespace maze
