#include "platform/terminal/terminal_screen.hpp"

#include <algorithm>

namespace maze {
namespace {

// The first of `size` cells in [0, limit) that show `cursor`, as near to
// `start` as may be.
int placeAround(int start, int cursor, int size, int limit) {
  int first = std::clamp(start, 0, limit - size);
  if (cursor < first) first = cursor;
  if (cursor > first + size - 1) first = cursor - size + 1;
  return first;
}

}  // namespace

bool TerminalScreen::setWindowInfo(bool absolute, const SmallRect& window) {
  const Rect now = Rect::of(this->window());
  const Rect asked = Rect::of(window);
  const Rect next = absolute ? asked
                             : Rect{now.left + asked.left, now.top + asked.top,
                                    now.right + asked.right, now.bottom + asked.bottom};
  if (next.empty() || next.left < 0 || next.top < 0 || next.right >= width() ||
      next.bottom >= height()) {
    return false;
  }
  const int left = std::min(next.left, width() - now.width());
  const int top = std::min(next.top, height() - now.height());
  setWindow(Rect::sized(left, top, now.width(), now.height()).small());
  return true;
}

void TerminalScreen::fitWindow(int columns, int rows) {
  columns = std::max(columns, 2);
  rows = std::max(rows, 2);
  resizeBuffer(std::max(width(), columns), std::max(height(), rows));
  // A view a narrow terminal scrolled sideways goes back to the left edge
  // once the terminal is wide enough to show the cursor from there.
  const int left =
      cursor().x < columns ? 0 : placeAround(window().left, cursor().x, columns, width());
  const int top = placeAround(window().top, cursor().y, rows, height());
  setWindow(Rect::sized(left, top, columns, rows).small());
}

}  // namespace maze
