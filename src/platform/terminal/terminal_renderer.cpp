#include "platform/terminal/terminal_renderer.hpp"

#include <algorithm>

#include "platform/terminal/cp437.hpp"

namespace maze {
namespace {

constexpr CharCell kBlank{' ', kDefaultAttribute};
// Unchanged cells between two changed runs are rewritten rather than
// jumped over when there are at most this many: a cursor move costs more.
constexpr int kMaxGap = 4;
// Trailing blanks are erased with one sequence when there are more.
constexpr int kMinErase = 4;
constexpr std::uint16_t kReverseVideo = 0x4000;
constexpr std::uint16_t kUnderscore = 0x8000;

// A cell as the terminal shows it: the byte 0 looks like a blank.
CharCell shown(CharCell cell) {
  if (cell.ch == 0) cell.ch = ' ';
  return cell;
}

bool isBlank(const CharCell& cell) { return cell == kBlank; }

void appendNumber(int n, std::string& out) { out += std::to_string(n); }

// The console's colour numbers have blue in bit 0 and red in bit 2; the
// terminal's the other way round.
int ansiColour(int consoleColour) {
  return ((consoleColour & 1) << 2) | (consoleColour & 2) | ((consoleColour & 4) >> 2);
}

}  // namespace

TerminalRenderer::TerminalRenderer(int columns, int rows) { resize(columns, rows); }

void TerminalRenderer::resize(int columns, int rows) {
  columns_ = std::max(columns, 1);
  rows_ = std::max(rows, 1);
  shadow_.assign(static_cast<std::size_t>(columns_) * rows_, kBlank);
  known_ = false;
}

std::string TerminalRenderer::pushIntoScrollback(int count) const {
  if (count <= 0) return {};
  std::string out = "\x1b[0m\x1b[";
  appendNumber(rows_, out);
  out += 'H';
  out.append(static_cast<std::size_t>(std::min(count, rows_)), '\n');
  return out;
}

std::string TerminalRenderer::pushAboveCursor() const {
  std::string out = "\x1b[0m\r";
  out.append(static_cast<std::size_t>(rows_ - 1), '\n');
  return out;
}

CharCell TerminalRenderer::screenCell(const MemoryScreen& screen, int x, int y) const {
  const SmallRect& window = screen.window();
  const int bx = window.left + x;
  const int by = window.top + y;
  if (bx > window.right || by > window.bottom || bx >= screen.width() || by >= screen.height()) {
    return kBlank;
  }
  return shown(screen.cell(bx, by));
}

void TerminalRenderer::render(const MemoryScreen& screen, const ScreenChanges& changes,
                              std::string& out) {
  const Rect window = Rect::of(screen.window());
  const Rect before = Rect::of(changes.windowBefore);
  const bool sameShape = !changes.resized && window.left == before.left &&
                         window.width() == before.width() && window.height() == before.height();
  // The window's contents moved up as far as the buffer scrolled and the
  // window went down it; a terminal copies that with line feeds.
  const int movedUp = changes.rowsScrolledUp + (window.top - before.top);
  const bool everyRow = !known_ || !sameShape || movedUp != 0 || changes.rowsScrolledUp != 0;
  if (!known_) {
    clearAll(out);
  } else if (sameShape && movedUp > 0) {
    scrollUp(std::min(movedUp, rows_), out);
  }
  for (int y = 0; y < rows_; ++y) {
    if (everyRow || changes.touches(window.top + y)) drawRow(screen, y, out);
  }
  placeCursor(screen, false, out);
}

void TerminalRenderer::clearAll(std::string& out) {
  // Erasing from the home position, rather than the whole display, keeps
  // terminals that save an erased screen from filling the scrollback.
  out += "\x1b[0m\x1b[H\x1b[J";
  attribute_ = kDefaultAttribute;
  cursorX_ = 0;
  cursorY_ = 0;
  std::fill(shadow_.begin(), shadow_.end(), kBlank);
  known_ = true;
}

void TerminalRenderer::scrollUp(int count, std::string& out) {
  // A line feed on the bottom row scrolls the whole screen and fills the
  // new row with the current background, so reset the colours first.
  setAttribute(kDefaultAttribute, out);
  moveTo(0, rows_ - 1, out);
  out.append(static_cast<std::size_t>(count), '\n');
  const auto shift = static_cast<std::ptrdiff_t>(count) * columns_;
  std::move(shadow_.begin() + shift, shadow_.end(), shadow_.begin());
  std::fill(shadow_.end() - shift, shadow_.end(), kBlank);
  cursorX_ = 0;
  cursorY_ = rows_ - 1;
}

void TerminalRenderer::drawRow(const MemoryScreen& screen, int y, std::string& out) {
  int lastNonBlank = -1;
  for (int x = columns_ - 1; x >= 0; --x) {
    if (!isBlank(screenCell(screen, x, y))) {
      lastNonBlank = x;
      break;
    }
  }
  int x = 0;
  while (x < columns_) {
    if (screenCell(screen, x, y) == shadow(x, y)) {
      ++x;
      continue;
    }
    const int first = x;
    int last = x;
    int gap = 0;
    for (++x; x < columns_ && gap <= kMaxGap; ++x) {
      if (screenCell(screen, x, y) == shadow(x, y)) {
        ++gap;
      } else {
        last = x;
        gap = 0;
      }
    }
    x = last + 1;
    const int eraseFrom = std::max(first, lastNonBlank + 1);
    const bool erase = last >= eraseFrom && last - eraseFrom + 1 > kMinErase;
    drawRun(screen, y, first, last, erase ? eraseFrom : last + 1, out);
  }
}

// Writes cells first..last of row y; from eraseFrom on, where the row is
// blank to its end, one erase-line sequence does the rest.
void TerminalRenderer::drawRun(const MemoryScreen& screen, int y, int first, int last,
                               int eraseFrom, std::string& out) {
  moveTo(first, y, out);
  for (int x = first; x < eraseFrom && x <= last; ++x) {
    const CharCell cell = screenCell(screen, x, y);
    setAttribute(cell.attr, out);
    out += cp437ToUtf8(cell.ch);
    shadow(x, y) = cell;
  }
  if (eraseFrom <= last) {
    setAttribute(kDefaultAttribute, out);
    out += "\x1b[K";
    for (int x = eraseFrom; x < columns_; ++x) shadow(x, y) = kBlank;
    cursorX_ = eraseFrom;
    return;
  }
  cursorX_ = last + 1;
  // At the right edge the terminal holds the cursor on the last column
  // until the next character; where exactly differs, so forget it.
  if (cursorX_ >= columns_) cursorX_ = -1;
}

void TerminalRenderer::moveTo(int x, int y, std::string& out) {
  if (x == cursorX_ && y == cursorY_) return;
  out += "\x1b[";
  appendNumber(y + 1, out);
  if (x > 0) {
    out += ';';
    appendNumber(x + 1, out);
  }
  out += 'H';
  cursorX_ = x;
  cursorY_ = y;
}

void TerminalRenderer::setAttribute(std::uint16_t attr, std::string& out) {
  if (attr == attribute_) return;
  attribute_ = attr;
  if (attr == kDefaultAttribute) {
    out += "\x1b[0m";
    return;
  }
  const int foreground = attr & 0x7;
  const int background = (attr >> 4) & 0x7;
  out += "\x1b[0;";
  appendNumber(((attr & 0x8) ? 90 : 30) + ansiColour(foreground), out);
  out += ';';
  appendNumber(((attr & 0x80) ? 100 : 40) + ansiColour(background), out);
  if (attr & kReverseVideo) out += ";7";
  if (attr & kUnderscore) out += ";4";
  out += 'm';
}

// Hiding the cursor waits until the program is about to wait (see
// settleCursor): the line editor hides it around every echoed key and
// shows it again at once, and sending both would make each echo thirteen
// bytes instead of one.
void TerminalRenderer::placeCursor(const MemoryScreen& screen, bool settle, std::string& out) {
  const SmallRect& window = screen.window();
  const int x = screen.cursor().x - window.left;
  const int y = screen.cursor().y - window.top;
  const bool inside = x >= 0 && y >= 0 && x < columns_ && y < rows_ &&
                      x <= window.right - window.left && y <= window.bottom - window.top;
  const bool visible = screen.cursorVisible() && inside;
  if (visible) moveTo(x, y, out);
  if (!visible && !settle && cursorVisible_ == 1) return;
  if (static_cast<int>(visible) != cursorVisible_) {
    out += visible ? "\x1b[?25h" : "\x1b[?25l";
    cursorVisible_ = visible;
  }
}

void TerminalRenderer::settleCursor(const MemoryScreen& screen, std::string& out) {
  if (known_) placeCursor(screen, true, out);
}

void TerminalRenderer::leave(const MemoryScreen& screen, std::string& out) {
  setAttribute(kDefaultAttribute, out);
  const SmallRect& window = screen.window();
  const int x = std::clamp(screen.cursor().x - window.left, 0, columns_ - 1);
  const int y = std::clamp(screen.cursor().y - window.top, 0, rows_ - 1);
  cursorX_ = -1;
  moveTo(x, y, out);
  out += "\x1b[?25h";
  cursorVisible_ = 1;
}

}  // namespace maze
