#include "platform/memory/memory_screen.hpp"

#include <algorithm>

namespace maze {

MemoryScreen::MemoryScreen(int width, int height, int windowHeight)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      cells_(static_cast<std::size_t>(width_) * height_) {
  const int rows = windowHeight <= 0 ? height_ : std::min(windowHeight, height_);
  window_ = Rect::sized(0, 0, width_, rows).small();
  changes_.windowBefore = window_;
}

bool MemoryScreen::getInfo(ScreenBufferInfo& info) {
  info.size = coordAt(width_, height_);
  info.cursor = cursor_;
  info.attributes = attribute_;
  info.window = window_;
  return true;
}

// A fill runs on into the following rows and stops at the buffer's end. A
// start column off its row begins at the linear offset it names, as the
// console host we check against does.
template <typename SetCell>
bool MemoryScreen::fillRun(std::uint32_t length, Coord start, std::uint32_t& written,
                           SetCell setCell) {
  written = 0;
  if (start.y < 0 || start.y >= height_) return true;
  const long long first = static_cast<long long>(start.y) * width_ + start.x;
  const long long total = static_cast<long long>(width_) * height_;
  if (first < 0 || first >= total) return true;
  const long long count = std::min<long long>(length, total - first);
  for (long long i = 0; i < count; ++i) setCell(cells_[static_cast<std::size_t>(first + i)]);
  written = static_cast<std::uint32_t>(count);
  if (count > 0) {
    changes_.touchRows(static_cast<int>(first / width_),
                       static_cast<int>((first + count - 1) / width_));
  }
  return true;
}

bool MemoryScreen::fillAttribute(std::uint16_t attr, std::uint32_t length, Coord start,
                                 std::uint32_t& written) {
  return fillRun(length, start, written, [attr](CharCell& cell) { cell.attr = attr; });
}

bool MemoryScreen::fillCharacter(std::uint8_t ch, std::uint32_t length, Coord start,
                                 std::uint32_t& written) {
  return fillRun(length, start, written, [ch](CharCell& cell) { cell.ch = ch; });
}

bool MemoryScreen::writeCells(const CharCell* cells, Coord cellsSize, Coord cellsOrigin,
                              SmallRect& target) {
  if (target.left > target.right || target.top > target.bottom) return false;
  if (cellsOrigin.x < 0 || cellsOrigin.y < 0 || cellsOrigin.x >= cellsSize.x ||
      cellsOrigin.y >= cellsSize.y) {
    return false;
  }
  const int w = std::min(target.right - target.left + 1, cellsSize.x - cellsOrigin.x);
  const int hgt = std::min(target.bottom - target.top + 1, cellsSize.y - cellsOrigin.y);
  // Starting off the buffer, nothing is written (to the left or above as
  // well, as in the console host we check against); the rectangle comes
  // back clipped as far as that host clips it.
  if (target.left < 0 || target.left >= width_) {
    target = Rect::sized(target.left, target.top, w, hgt).small();
    return true;
  }
  const int right = std::min(target.left + w, width_) - 1;
  const int bottom = std::min(target.top + hgt, height_) - 1;
  const Rect written{target.left, target.top, right, bottom};
  target = written.small();
  if (written.top < 0 || written.top >= height_) return true;
  for (int y = written.top; y <= written.bottom; ++y) {
    for (int x = written.left; x <= written.right; ++x) {
      const int sx = cellsOrigin.x + (x - written.left);
      const int sy = cellsOrigin.y + (y - written.top);
      at(x, y) = cells[static_cast<std::size_t>(sy) * cellsSize.x + sx];
    }
  }
  changes_.touchRows(written.top, written.bottom);
  return true;
}

bool MemoryScreen::scrollRect(const SmallRect& scroll, const SmallRect* clip, Coord destination,
                              CharCell fill) {
  const Rect buffer = Rect::sized(0, 0, width_, height_);
  const Rect source = Rect::of(scroll).intersect(buffer);
  if (source.empty()) return true;
  const Rect clipRect = (clip ? Rect::of(*clip) : buffer).intersect(buffer);
  // The destination moves with however much of the rectangle was clipped.
  const int dx = destination.x - scroll.left;
  const int dy = destination.y - scroll.top;
  const Rect target = source.moved(dx, dy).intersect(clipRect);

  std::vector<CharCell> copy;
  copy.reserve(static_cast<std::size_t>(source.width()) * source.height());
  for (int y = source.top; y <= source.bottom; ++y) {
    for (int x = source.left; x <= source.right; ++x) copy.push_back(at(x, y));
  }
  if (!target.empty()) {
    for (int y = target.top; y <= target.bottom; ++y) {
      for (int x = target.left; x <= target.right; ++x) {
        const int sx = x - dx - source.left;
        const int sy = y - dy - source.top;
        at(x, y) = copy[static_cast<std::size_t>(sy) * source.width() + sx];
      }
    }
  }
  const Rect uncovered = source.intersect(clipRect);
  for (int y = uncovered.top; y <= uncovered.bottom; ++y) {
    for (int x = uncovered.left; x <= uncovered.right; ++x) {
      if (!target.contains(x, y)) at(x, y) = fill;
    }
  }
  // Every row moving up by the same amount is what a terminal can copy by
  // scrolling; anything else is rows to draw again.
  const bool wholeBufferUp = dx == 0 && dy < 0 && clipRect == buffer && source.left == 0 &&
                             source.right == width_ - 1 && source.top == -dy &&
                             source.bottom == height_ - 1;
  if (wholeBufferUp) {
    changes_.rowsScrolledUp = std::min(changes_.rowsScrolledUp - dy, height_);
  } else {
    if (!uncovered.empty()) changes_.touchRows(uncovered.top, uncovered.bottom);
    if (!target.empty()) changes_.touchRows(target.top, target.bottom);
  }
  return true;
}

void MemoryScreen::showCursorInWindow() {
  const int rows = window_.bottom - window_.top;
  const int cols = window_.right - window_.left;
  if (cursor_.y < window_.top) {
    window_.top = cursor_.y;
  } else if (cursor_.y > window_.bottom) {
    window_.top = static_cast<std::int16_t>(cursor_.y - rows);
  }
  window_.bottom = static_cast<std::int16_t>(window_.top + rows);
  if (cursor_.x < window_.left) {
    window_.left = cursor_.x;
  } else if (cursor_.x > window_.right) {
    window_.left = static_cast<std::int16_t>(cursor_.x - cols);
  }
  window_.right = static_cast<std::int16_t>(window_.left + cols);
}

bool MemoryScreen::setCursorPosition(Coord position) {
  if (!inside(position.x, position.y)) return false;
  cursor_ = position;
  showCursorInWindow();
  return true;
}

bool MemoryScreen::getCursorInfo(CursorInfo& info) {
  info = cursorInfo_;
  return true;
}

bool MemoryScreen::setCursorInfo(const CursorInfo& info) {
  if (info.size < 1 || info.size > 100) return false;
  cursorInfo_ = info;
  return true;
}

bool MemoryScreen::setWindowInfo(bool absolute, const SmallRect& window) {
  Rect next = Rect::of(window);
  if (!absolute) {
    next = {window_.left + window.left, window_.top + window.top, window_.right + window.right,
            window_.bottom + window.bottom};
  }
  if (next.empty() || next.left < 0 || next.top < 0 || next.right >= width_ ||
      next.bottom >= height_) {
    return false;
  }
  window_ = next.small();
  return true;
}

std::string MemoryScreen::rowText(int y, bool keepTrailing) const {
  std::string text;
  for (int x = 0; x < width_; ++x) text.push_back(static_cast<char>(cell(x, y).ch));
  if (!keepTrailing) text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

std::string MemoryScreen::windowText() const {
  std::string text;
  for (int y = window_.top; y <= window_.bottom; ++y) {
    if (y > window_.top) text.push_back('\n');
    text += rowText(y);
  }
  return text;
}

void MemoryScreen::resizeBuffer(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  std::vector<CharCell> next(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < std::min(height, height_); ++y) {
    for (int x = 0; x < std::min(width, width_); ++x) {
      next[static_cast<std::size_t>(y) * width + x] = cell(x, y);
    }
  }
  cells_.swap(next);
  width_ = width;
  height_ = height;
  const int rows = std::min<int>(window_.bottom - window_.top + 1, height_);
  const int cols = std::min<int>(window_.right - window_.left + 1, width_);
  const int top = std::min<int>(window_.top, height_ - rows);
  const int left = std::min<int>(window_.left, width_ - cols);
  window_ = Rect::sized(left, top, cols, rows).small();
  cursor_.x = static_cast<std::int16_t>(std::min<int>(cursor_.x, width_ - 1));
  cursor_.y = static_cast<std::int16_t>(std::min<int>(cursor_.y, height_ - 1));
  changes_.resized = true;
}

void MemoryScreen::setWindow(const SmallRect& window) { window_ = window; }

ScreenChanges MemoryScreen::takeChanges() {
  ScreenChanges taken = changes_;
  changes_ = ScreenChanges{};
  changes_.windowBefore = window_;
  return taken;
}

}  // namespace maze
