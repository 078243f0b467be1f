#include "platform/posix/terminal_display.hpp"

#include <algorithm>

#include "platform/posix/fd_io.hpp"

namespace maze {
namespace {

constexpr int kMaxScreenSide = 1000;

int side(int n) { return std::clamp(n, 1, kMaxScreenSide); }

}  // namespace

TerminalDisplay::TerminalDisplay(int fd, TerminalSize size)
    : fd_(fd),
      screen_(side(size.columns), side(size.rows)),
      renderer_(side(size.columns), side(size.rows)) {}

void TerminalDisplay::send(const std::string& bytes) {
  if (!bytes.empty() && !writeAll(fd_, bytes)) renderer_.invalidate();
}

// The rows above the shell's cursor go into the scrollback, so the game
// starts on a clear screen and what was there before can be scrolled back
// to. The terminal's answer to where its cursor is keeps blank rows out of
// the scrollback; a terminal that does not answer in time gets its whole
// screen moved up.
void TerminalDisplay::draw(TerminalInput& input) {
  std::string out;
  if (!drawn_) {
    int rows = renderer_.rows();
    if (const auto report = input.awaitCursorReport()) {
      rows = report->column > 1 ? report->row : report->row - 1;
    }
    out = renderer_.pushIntoScrollback(rows);
    drawn_ = true;
  }
  out += pending_;
  pending_.clear();
  renderer_.render(screen_, screen_.takeChanges(), out);
  send(out);
}

void TerminalDisplay::settleCursor() {
  if (!drawn_) return;
  std::string out;
  renderer_.settleCursor(screen_, out);
  send(out);
}

void TerminalDisplay::leave() {
  if (!drawn_) return;
  std::string out;
  out.swap(pending_);
  renderer_.leave(screen_, out);
  writeAll(fd_, out);
}

// The buffer keeps its rows, as the console's does when its window is
// resized: only the window changes, placed so the cursor stays in view,
// and the rows the output may use stay those of the first size.
void TerminalDisplay::refit(TerminalSize size) {
  const int columns = side(size.columns);
  const int rows = side(size.rows);
  MemoryScreen& m = screen_;
  const int height = std::max(m.height(), rows);
  m.resizeBuffer(columns, height);
  const int cursorRow = m.cursor().y;
  int top = std::min<int>(m.window().top, height - rows);
  if (cursorRow < top) top = cursorRow;
  if (cursorRow > top + rows - 1) top = cursorRow - rows + 1;
  m.setWindow(Rect::sized(0, top, columns, rows).small());
  renderer_.resize(columns, rows);
  if (drawn_) {
    std::string out;
    out.swap(pending_);
    renderer_.render(m, m.takeChanges(), out);
    send(out);
  }
}

}  // namespace maze
