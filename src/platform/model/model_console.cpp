#include "platform/model/model_console.hpp"

#include <algorithm>
#include <cmath>

#include "platform/input_records.hpp"
#include "platform/keyboard_layout.hpp"

namespace maze {
namespace {

struct Rect {
  int left, top, right, bottom;
  bool empty() const { return left > right || top > bottom; }
  bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

Rect toRect(const SmallRect& r) { return {r.left, r.top, r.right, r.bottom}; }

Rect intersect(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

SmallRect toSmall(const Rect& r) {
  return {static_cast<std::int16_t>(r.left), static_cast<std::int16_t>(r.top),
          static_cast<std::int16_t>(r.right), static_cast<std::int16_t>(r.bottom)};
}

constexpr int kMaxEmptyWaits = 1'000'000;

}  // namespace

ModelConsole::ModelConsole(int width, int height, int windowHeight)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      cells_(static_cast<std::size_t>(width_) * height_) {
  const int rows = windowHeight <= 0 ? height_ : std::min(windowHeight, height_);
  window_ = toSmall({0, 0, width_ - 1, rows - 1});
}

Handle ModelConsole::stdHandle(StdHandle which) {
  return which == StdHandle::Input ? kInputHandle : kOutputHandle;
}

bool ModelConsole::getConsoleMode(Handle h, std::uint32_t& mode) {
  if (isInput(h)) {
    mode = inputMode_;
    return true;
  }
  if (isOutput(h)) {
    mode = outputMode_;
    return true;
  }
  return false;
}

bool ModelConsole::setConsoleMode(Handle h, std::uint32_t mode) {
  if (isInput(h)) {
    inputMode_ = mode;
    return true;
  }
  if (isOutput(h)) {
    outputMode_ = mode;
    return true;
  }
  return false;
}

bool ModelConsole::consumeFault(int& counter) {
  if (counter == 0) return false;
  if (counter > 0) --counter;
  return true;
}

bool ModelConsole::getScreenBufferInfo(Handle h, ScreenBufferInfo& info) {
  if (!isOutput(h) || consumeFault(failScreenInfoCalls)) return false;
  info.size = {static_cast<std::int16_t>(width_), static_cast<std::int16_t>(height_)};
  info.cursor = cursor_;
  info.attributes = attribute_;
  info.window = window_;
  return true;
}

// A fill runs on into the following rows and stops at the buffer's end. A
// start column off its row begins at the linear offset it names, as the
// console host we check against does.
template <typename SetCell>
bool ModelConsole::fillRun(Handle h, std::uint32_t length, Coord start, std::uint32_t& written,
                           SetCell setCell) {
  written = 0;
  if (!isOutput(h)) return false;
  if (start.y < 0 || start.y >= height_) return true;
  const long long first = static_cast<long long>(start.y) * width_ + start.x;
  const long long total = static_cast<long long>(width_) * height_;
  if (first < 0 || first >= total) return true;
  const long long count = std::min<long long>(length, total - first);
  for (long long i = 0; i < count; ++i) setCell(cells_[static_cast<std::size_t>(first + i)]);
  written = static_cast<std::uint32_t>(count);
  return true;
}

bool ModelConsole::fillAttribute(Handle h, std::uint16_t attr, std::uint32_t length, Coord start,
                                 std::uint32_t& written) {
  return fillRun(h, length, start, written, [attr](CharCell& cell) { cell.attr = attr; });
}

bool ModelConsole::fillCharacter(Handle h, std::uint8_t ch, std::uint32_t length, Coord start,
                                 std::uint32_t& written) {
  return fillRun(h, length, start, written, [ch](CharCell& cell) { cell.ch = ch; });
}

bool ModelConsole::writeCells(Handle h, const CharCell* cells, Coord cellsSize, Coord cellsOrigin,
                              SmallRect& target) {
  if (!isOutput(h) || consumeFault(failWriteCellsCalls)) return false;
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
    target.right = static_cast<std::int16_t>(target.left + w - 1);
    target.bottom = static_cast<std::int16_t>(target.top + hgt - 1);
    return true;
  }
  const int right = std::min(target.left + w, width_) - 1;
  const int bottom = std::min(target.top + hgt, height_) - 1;
  if (target.top < 0 || target.top >= height_) {
    target.right = static_cast<std::int16_t>(right);
    target.bottom = static_cast<std::int16_t>(bottom);
    return true;
  }
  for (int y = target.top; y <= bottom; ++y) {
    for (int x = target.left; x <= right; ++x) {
      const int sx = cellsOrigin.x + (x - target.left);
      const int sy = cellsOrigin.y + (y - target.top);
      at(x, y) = cells[static_cast<std::size_t>(sy) * cellsSize.x + sx];
    }
  }
  target.right = static_cast<std::int16_t>(right);
  target.bottom = static_cast<std::int16_t>(bottom);
  return true;
}

bool ModelConsole::scrollRect(Handle h, const SmallRect& scroll, const SmallRect* clip,
                              Coord destination, CharCell fill) {
  if (!isOutput(h)) return false;
  const Rect buffer{0, 0, width_ - 1, height_ - 1};
  const Rect source = intersect(toRect(scroll), buffer);
  if (source.empty()) return true;
  const Rect clipRect = intersect(clip ? toRect(*clip) : buffer, buffer);
  // The destination moves with however much of the rectangle was clipped.
  const int dx = destination.x - scroll.left;
  const int dy = destination.y - scroll.top;
  const Rect moved{source.left + dx, source.top + dy, source.right + dx, source.bottom + dy};
  const Rect target = intersect(moved, clipRect);

  std::vector<CharCell> copy;
  copy.reserve(static_cast<std::size_t>(source.right - source.left + 1) *
               (source.bottom - source.top + 1));
  for (int y = source.top; y <= source.bottom; ++y) {
    for (int x = source.left; x <= source.right; ++x) copy.push_back(at(x, y));
  }
  const int sourceWidth = source.right - source.left + 1;
  if (!target.empty()) {
    for (int y = target.top; y <= target.bottom; ++y) {
      for (int x = target.left; x <= target.right; ++x) {
        const int sx = x - dx - source.left;
        const int sy = y - dy - source.top;
        at(x, y) = copy[static_cast<std::size_t>(sy) * sourceWidth + sx];
      }
    }
  }
  const Rect uncovered = intersect(source, clipRect);
  for (int y = uncovered.top; y <= uncovered.bottom; ++y) {
    for (int x = uncovered.left; x <= uncovered.right; ++x) {
      if (!target.empty() && target.contains(x, y)) continue;
      at(x, y) = fill;
    }
  }
  return true;
}

void ModelConsole::showCursorInWindow() {
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

bool ModelConsole::setCursorPosition(Handle h, Coord position) {
  if (!isOutput(h) || !inside(position.x, position.y)) return false;
  cursor_ = position;
  showCursorInWindow();
  return true;
}

bool ModelConsole::getCursorInfo(Handle h, CursorInfo& info) {
  if (!isOutput(h)) return false;
  info = cursorInfo_;
  return true;
}

bool ModelConsole::setCursorInfo(Handle h, const CursorInfo& info) {
  if (!isOutput(h) || info.size < 1 || info.size > 100) return false;
  cursorInfo_ = info;
  return true;
}

bool ModelConsole::setWindowInfo(Handle h, bool absolute, const SmallRect& window) {
  if (!isOutput(h)) return false;
  Rect next = toRect(window);
  if (!absolute) {
    next = {window_.left + window.left, window_.top + window.top, window_.right + window.right,
            window_.bottom + window.bottom};
  }
  if (next.empty() || next.left < 0 || next.top < 0 || next.right >= width_ ||
      next.bottom >= height_) {
    return false;
  }
  window_ = toSmall(next);
  return true;
}

bool ModelConsole::writeFile(Handle h, const void* bytes, std::uint32_t length,
                             std::uint32_t& written) {
  written = 0;
  if (h != kOutputHandle || consumeFault(failWriteFileCalls)) return false;
  std::uint32_t take = length;
  if (writeFileLimit >= 0) take = std::min<std::uint32_t>(take, writeFileLimit);
  streamOutput_.append(static_cast<const char*>(bytes), take);
  written = take;
  return true;
}

void ModelConsole::flushScreen(Handle) { ++flushes_; }

bool ModelConsole::beep(std::uint32_t frequency, std::uint32_t durationMs) {
  beeps_.push_back({frequency, durationMs});
  if (onBeep) onBeep(*this);
  return true;
}

bool ModelConsole::peekInput(Handle h, InputRecord* records, std::uint32_t count,
                             std::uint32_t& read) {
  read = 0;
  if (!isInput(h)) return false;
  read = takeRecords(input_, records, count, false);
  return true;
}

bool ModelConsole::readInput(Handle h, InputRecord* records, std::uint32_t count,
                             std::uint32_t& read) {
  read = 0;
  if (!isInput(h)) return false;
  if (input_.empty()) waitForInput(h, kInfinite);
  read = takeRecords(input_, records, count, true);
  return true;
}

bool ModelConsole::waitForInput(Handle, std::uint32_t timeoutMs) {
  if (!input_.empty()) {
    emptyWaits_ = 0;
    return true;
  }
  if (onIdle) onIdle(*this);
  if (!input_.empty()) {
    emptyWaits_ = 0;
    return true;
  }
  if (inputEnded_ || !inputIsConsole_) exitProcess(0);
  if (timeoutMs == kInfinite || ++emptyWaits_ > kMaxEmptyWaits) throw InputStarved{};
  advanceMs(timeoutMs);
  return false;
}

bool ModelConsole::setCtrlHandler(CtrlHandler handler, bool add) {
  return ctrlHandlers_.set(handler, add);
}

bool ModelConsole::raiseCtrlEvent(std::uint32_t event) { return ctrlHandlers_.raise(event); }

std::uint32_t ModelConsole::mapVirtualKey(std::uint32_t code, std::uint32_t mapType) {
  return mapType == kMapVkToChar ? usVirtualKeyToChar(code) : 0;
}

void ModelConsole::sleep(std::uint32_t ms) {
  sleptMs_ += ms;
  advanceMs(ms);
}

bool ModelConsole::queryPerformanceFrequency(std::int64_t& frequency) {
  if (!performanceCounterAvailable) return false;
  frequency = kCounterFrequency;
  return true;
}

bool ModelConsole::queryPerformanceCounter(std::int64_t& counter) {
  counter = counter_;
  return true;
}

std::uint32_t ModelConsole::tickCount() {
  return static_cast<std::uint32_t>(counter_ / (kCounterFrequency / 1000));
}

void ModelConsole::setFloatingPointControl(std::uint32_t value, std::uint32_t mask) {
  fpControl_ = (fpControl_ & ~mask) | (value & mask);
}

bool ModelConsole::atExit(ExitHandler handler) {
  exitHandlers_.add(handler);
  return true;
}

void ModelConsole::exitProcess(int status) {
  exitHandlers_.runNewestFirst();
  throw ProcessExit{status};
}

const CharCell& ModelConsole::cell(int x, int y) const {
  return cells_[static_cast<std::size_t>(y) * width_ + x];
}

std::string ModelConsole::rowText(int y, bool keepTrailing) const {
  std::string text;
  for (int x = 0; x < width_; ++x) text.push_back(static_cast<char>(cell(x, y).ch));
  if (!keepTrailing) text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

std::string ModelConsole::windowText() const {
  std::string text;
  for (int y = window_.top; y <= window_.bottom; ++y) {
    if (y > window_.top) text.push_back('\n');
    text += rowText(y);
  }
  return text;
}

void ModelConsole::putText(int x, int y, const std::string& text) {
  for (unsigned char ch : text) {
    if (!inside(x, y)) break;
    at(x++, y).ch = ch;
  }
}

void ModelConsole::resizeBuffer(int width, int height) {
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
  window_ = toSmall({left, top, left + cols - 1, top + rows - 1});
  cursor_.x = static_cast<std::int16_t>(std::min<int>(cursor_.x, width_ - 1));
  cursor_.y = static_cast<std::int16_t>(std::min<int>(cursor_.y, height_ - 1));
}

void ModelConsole::setWindow(const SmallRect& window) { window_ = window; }

void ModelConsole::pushKey(const KeyEventRecord& key) { appendPressAndRelease(key, input_); }

void ModelConsole::typeText(const std::string& text) {
  for (unsigned char ch : text) pushKey(usKeyEventForChar(ch));
}

void ModelConsole::pushVirtualKey(std::uint16_t virtualKey, std::uint32_t controlKeyState) {
  KeyEventRecord key;
  key.virtualKeyCode = virtualKey;
  key.virtualScanCode = usScanCodeForVirtualKey(virtualKey);
  key.controlKeyState = controlKeyState;
  const bool separateKey = (virtualKey >= vk::kPrior && virtualKey <= vk::kDown) ||
                           virtualKey == vk::kInsert || virtualKey == vk::kDelete;
  if (separateKey) key.controlKeyState |= kEnhancedKey;
  pushKey(key);
}

void ModelConsole::setSeconds(double seconds) {
  counter_ = static_cast<std::int64_t>(std::llround(seconds * kCounterFrequency));
}

void ModelConsole::advanceMs(double ms) {
  counter_ += static_cast<std::int64_t>(std::llround(ms * (kCounterFrequency / 1000.0)));
}

}  // namespace maze
