#include "console/lineedit.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "console/keyboard.hpp"
#include "console/output.hpp"
#include "console/screen.hpp"

namespace maze {
namespace {

struct Cell {
  int column;
  int row;
};

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Far-off targets stay far off instead of wrapping round into the window.
int clampToInt(std::int64_t value) {
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

// Where the cursor lands d cells on from (x, y) in rows `width` cells wide.
Cell cellAfter(int x, int y, std::int64_t d, int width) {
  const std::int64_t c = static_cast<std::int64_t>(x) - 1 + d;
  const std::int64_t rows = floorDiv(c, width);
  return {static_cast<int>(1 + (c - rows * width)), clampToInt(y + rows)};
}

int distance(std::size_t to, std::size_t from) {
  return clampToInt(static_cast<std::int64_t>(to) - static_cast<std::int64_t>(from));
}

struct Editor {
  Editor(ConsoleState& c, int w, int h) : console(c), width(w), height(h) {}

  ConsoleState& console;
  int width;
  int height;
  std::string line;
  std::size_t pos = 0;
  int x = 1;
  int y = 1;

  void moveBy(int d) { advanceCursor(console, x, y, d, width, height); }

  void write(const char* bytes, std::size_t length) {
    consoleWrite(console, bytes, length, WriteEmpty::Skip);
  }

  void placeCursorBack() {
    if (moveCursor(console, y, x, kKeepVisibility) != 0) {
      moveCursor(console, kKeepPosition, kKeepPosition, kKeepVisibility);
    }
  }

  void erase(std::size_t count) {
    moveCursor(console, kKeepPosition, kKeepPosition, kHideCursor);
    line.erase(pos, count);
    write(line.data() + pos, line.size() - pos);
    const std::string blanks(count, ' ');
    write(blanks.data(), blanks.size());
    placeCursorBack();
  }

  void insert(std::size_t count, char ch) {
    moveCursor(console, kKeepPosition, kKeepPosition, kHideCursor);
    const int x0 = x;
    const int y0 = y;
    // Typing at the end must stay cheap however long the line grows.
    if (pos == line.size()) {
      line.append(count, ch);
    } else {
      line.insert(pos, count, ch);
    }
    write(line.data() + pos, line.size() - pos);
    const CursorPosition after = cursorPosition(console);
    const int n = clampToInt(static_cast<std::int64_t>(count));
    if (pos + count == line.size()) {
      advanceCursor(console, x, y, n, width, height);
    } else {
      const std::size_t written = line.size() - pos;
      const Cell end = cellAfter(x0, y0, static_cast<std::int64_t>(written), width);
      const bool scrolled = end.row > height + 1 || (end.row == height + 1 && end.column > 1);
      if (scrolled) {
        x = after.column;
        y = after.row;
        advanceCursor(console, x, y, n - distance(written, 0), width, height);
      } else {
        advanceCursor(console, x, y, n, width, height);
      }
    }
    pos += count;
  }

  // Acts on one key; false once the line is finished.
  bool act(KeyCode key) {
    switch (key) {
      case kBackspaceKey:
        if (pos > 0) {
          moveBy(-1);
          --pos;
          erase(1);
        }
        break;
      case kTabKey: insert(((pos + 8) & ~static_cast<std::size_t>(7)) - pos, ' '); break;
      case kLineFeedKey:
      case kEnterKey: return false;
      case kEscapeKey:
        moveBy(-distance(pos, 0));
        pos = 0;
        erase(line.size());
        break;
      case kHomeKey:
        moveBy(-distance(pos, 0));
        pos = 0;
        break;
      case kEndKey:
        moveBy(distance(line.size(), pos));
        pos = line.size();
        break;
      case kLeftKey:
        if (pos > 0) {
          moveBy(-1);
          --pos;
        }
        break;
      case kRightKey:
        if (pos < line.size()) {
          moveBy(1);
          ++pos;
        }
        break;
      case kUpKey:
        if (pos >= static_cast<std::size_t>(width)) {
          moveBy(-width);
          pos -= width;
        }
        break;
      case kDownKey:
        if (pos + width <= line.size()) {
          moveBy(width);
          pos += width;
        }
        break;
      case kDeleteKey:
        if (pos == line.size()) {
          console.host->beep(kBellFrequency, kBellDurationMs);
        } else {
          erase(1);
        }
        break;
      default:
        if (key >= 32 && key <= 255) insert(1, static_cast<char>(key));
        break;
    }
    return true;
  }
};

KeyCode keyValue(const std::string& text) {
  if (text.size() == 1) return static_cast<std::uint8_t>(text[0]);
  return extendedKey(static_cast<std::uint8_t>(text[1]));
}

}  // namespace

void advanceCursor(ConsoleState& console, int& x, int& y, int d, int width, int height) {
  const Cell target = cellAfter(x, y, d, width);
  x = target.column;
  y = target.row;
  if (target.row == height + 1 && target.column == 1) {
    // Behind the bottom-right cell: scroll the window up by one row.
    moveCursor(console, height, width, kKeepVisibility);
    consoleWrite(console, "\r\n", 2, WriteEmpty::Skip);
    return;
  }
  if (moveCursor(console, target.row, target.column, kKeepVisibility) != 0) {
    moveCursor(console, kKeepPosition, kKeepPosition, kKeepVisibility);
  }
}

std::string editLine(ConsoleState& console) {
  ensureFirstUse(console);
  int width = kFallbackColumns;
  int height = kFallbackRows;
  if (!windowAbsent(console)) {
    const Rect window = Rect::of(console.windowRect);
    width = window.width();
    // A window grown taller since the first use still has output scroll
    // at the print region's last row, so that row is the editor's bottom.
    height = std::min(window.height(), console.regionLastRow);
  }
  Editor editor(console, width, height);

  std::uint32_t packed = 0;
  moveCursor(console, kKeepPosition, kKeepPosition, kKeepVisibility, &packed);
  const int wasVisible = (packed & kPackedWasVisible) != 0 ? kShowCursor : kHideCursor;
  moveCursor(console, kKeepPosition, kKeepPosition, kHideCursor);
  moveCursor(console, kKeepPosition, kKeepPosition, kShowCursor);

  for (;;) {
    // Between polls the editor pauses; a wait that ends only when a key or
    // a control event arrives is that pause without wake-ups.
    while (!keyHit(console)) waitForInputEvent(console, kInfinite);
    const std::string text = inkey(console);
    if (text.empty()) continue;
    const CursorPosition at = cursorPosition(console);
    editor.x = at.column;
    editor.y = at.row;
    const bool more = editor.act(keyValue(text));
    moveCursor(console, kKeepPosition, kKeepPosition, kShowCursor);
    if (!more) break;
  }

  const CursorPosition at = cursorPosition(console);
  editor.x = at.column;
  editor.y = at.row;
  editor.moveBy(distance(editor.line.size(), editor.pos));
  moveCursor(console, kKeepPosition, kKeepPosition, wasVisible);
  return std::move(editor.line);
}

}  // namespace maze
