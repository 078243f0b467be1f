#include "console/screen.hpp"

namespace maze {
namespace {

std::uint16_t currentAttribute(ConsoleState& console) {
  ScreenBufferInfo info;
  if (!console.screen->getInfo(info)) return kDefaultAttribute;
  return info.attributes;
}

Coord bufferCursor(ConsoleState& console) {
  ScreenBufferInfo info;
  if (!console.screen->getInfo(info)) return Coord{};
  return info.cursor;
}

}  // namespace

void startConsole(ConsoleState& console, int argc, char** argv) {
  Host& host = *console.host;
  console.argc = argc;
  console.argv = argv;
  host.setFloatingPointControl(0, kFpPrecisionMask | kFpRoundingMask);
  std::uint32_t mode = 0;
  if (host.getInputMode(mode)) host.setInputMode(mode | kEnableProcessedInput);
}

void readWindowRect(ConsoleState& console) {
  ScreenBufferInfo info;
  if (console.screen->getInfo(info)) {
    console.windowRect = Rect{0, info.window.top, info.size.x - 1, info.window.bottom}.small();
  } else {
    console.windowRect = SmallRect{};
  }
}

bool windowAbsent(const ConsoleState& console) {
  const SmallRect& w = console.windowRect;
  return w.left == w.right || w.top == w.bottom;
}

void ensureFirstUse(ConsoleState& console) {
  if (console.firstUseDone) return;
  console.firstUseDone = true;
  readWindowRect(console);
  console.regionFirstRow = 1;
  console.regionLastRow = windowAbsent(console)
                              ? kFallbackRows
                              : console.windowRect.bottom - console.windowRect.top + 1;
}

void clearScreen(ConsoleState& console, std::uint32_t mode) {
  ensureFirstUse(console);
  if (windowAbsent(console) || mode == kClearNothing) return;
  ScreenBuffer& screen = *console.screen;
  const SmallRect& window = console.windowRect;

  int first = window.top;
  int last = window.bottom;
  if (mode == kClearDefault || mode == kClearRegion) {
    first = window.top + console.regionFirstRow - 1;
    last = window.top + console.regionLastRow - 1;
  }
  const auto width = static_cast<std::uint32_t>(window.right + 1);
  const std::uint16_t attr = currentAttribute(console);
  std::uint32_t written = 0;
  for (int row = last; row >= first; --row) {
    const Coord start = coordAt(0, row);
    screen.fillAttribute(attr, width, start, written);
    screen.fillCharacter(' ', width, start, written);
  }
  screen.setCursorPosition(coordAt(0, first));
  console.pendingLineFeed = false;
  console.host->flushScreen();
}

int moveCursor(ConsoleState& console, int row, int column, int visibility, std::uint32_t* packed) {
  ensureFirstUse(console);
  ScreenBuffer& screen = *console.screen;
  const SmallRect& window = console.windowRect;
  const int width = windowAbsent(console) ? kFallbackColumns : window.right - window.left + 1;
  const bool rowBad =
      row != kKeepPosition && (row < console.regionFirstRow || row > console.regionLastRow);
  const bool columnBad = column != kKeepPosition && (column < 1 || column > width);
  if (rowBad || columnBad) {
    if (packed) *packed = 0;
    return 1;
  }
  if (row == kKeepPosition || column == kKeepPosition) {
    const Coord cursor = bufferCursor(console);
    if (row == kKeepPosition) row = cursor.y - window.top + 1;
    if (column == kKeepPosition) column = cursor.x - window.left + 1;
  }

  CursorInfo info;
  const bool wasVisible = screen.getCursorInfo(info) && info.visible;
  if (visibility > kKeepVisibility) {
    info.visible = visibility != kHideCursor;
    screen.setCursorInfo(info);
  }
  console.pendingLineFeed = false;
  screen.setCursorPosition(coordAt(window.left + column - 1, window.top + row - 1));
  console.host->flushScreen();
  if (packed) {
    *packed = (static_cast<std::uint32_t>(column) & 0xFF) |
              ((static_cast<std::uint32_t>(row) & 0xFF) << 8) |
              (wasVisible ? kPackedWasVisible : 0u);
  }
  return 0;
}

CursorPosition cursorPosition(ConsoleState& console) {
  ensureFirstUse(console);
  const Coord cursor = bufferCursor(console);
  if (windowAbsent(console)) return {cursor.x, cursor.y};
  return {cursor.x - console.windowRect.left + 1, cursor.y - console.windowRect.top + 1};
}

}  // namespace maze
