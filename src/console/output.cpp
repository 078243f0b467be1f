#include "console/output.hpp"

#include <algorithm>
#include <array>
#include <cstdio>

#include "console/screen.hpp"

namespace maze {
namespace {

constexpr std::size_t kBatchSize = 256;
constexpr std::uint8_t kBell = 7;
constexpr std::uint8_t kBackspace = 8;
constexpr std::uint8_t kTab = 9;
constexpr std::uint8_t kLineFeed = 10;
constexpr std::uint8_t kCarriageReturn = 13;

// One console-mode write: the region in buffer coordinates, the buffer
// as read at the start, the cursor as this write moves it, and the batch
// of printable bytes not yet in the cells.
class ScreenWriter {
 public:
  explicit ScreenWriter(ConsoleState& console)
      : console_(console), screen_(*console.screen), host_(*console.host) {
    const SmallRect& window = console.windowRect;
    left_ = window.left;
    top_ = window.top + console.regionFirstRow - 1;
    right_ = left_ + (window.right - window.left + 1) - 1;
    bottom_ = window.top + console.regionLastRow - 1;
    partial_ = top_ != window.top || bottom_ != window.bottom;
    originalTop_ = top_;

    ScreenBufferInfo info;
    if (screen_.getInfo(info)) {
      bufferWidth_ = info.size.x;
      bufferHeight_ = info.size.y;
      attribute_ = info.attributes;
      x_ = info.cursor.x;
      y_ = info.cursor.y;
    } else {
      x_ = left_;
      y_ = top_;
    }
    virtualColumn_ = x_;
  }

  void run(const std::uint8_t* bytes, std::size_t length) {
    if (console_.pendingLineFeed) {
      console_.pendingLineFeed = false;
      x_ = left_;
      ++y_;
      if (y_ > bottom_) scrollRegion(y_ - bottom_);
      virtualColumn_ = x_;
    }
    for (std::size_t i = 0; i < length; ++i) put(bytes[i]);
    if (batchLength_ > 0) {
      writeBatch();
    } else if (lastWasMove_ && y_ > bottom_) {
      scrollRegion(y_ - bottom_);
    }
    finish();
  }

 private:
  void put(std::uint8_t byte) {
    switch (byte) {
      case kBell: host_.beep(kBellFrequency, kBellDurationMs); break;
      case kBackspace:
        writeBatch();
        if (virtualColumn_ > left_ && x_ > left_) --x_;
        moved();
        break;
      case kTab: {
        const int column = virtualColumn_ - left_;
        addPrintable(' ', ((column + 8) & ~7) - column);
        break;
      }
      case kLineFeed:
        writeBatch();
        x_ = left_;
        ++y_;
        moved();
        break;
      case kCarriageReturn:
        writeBatch();
        x_ = left_;
        moved();
        break;
      default: addPrintable(byte, 1); break;
    }
  }

  void moved() {
    virtualColumn_ = x_;
    lastWasMove_ = true;
  }

  void addPrintable(std::uint8_t byte, int count) {
    if (batchLength_ + static_cast<std::size_t>(count) > kBatchSize) writeBatch();
    std::fill_n(batch_.begin() + static_cast<std::ptrdiff_t>(batchLength_), count, byte);
    batchLength_ += static_cast<std::size_t>(count);
    virtualColumn_ += count;
    if (virtualColumn_ > right_) virtualColumn_ = left_ + (virtualColumn_ - left_) % width();
    lastWasMove_ = false;
  }

  int width() const { return right_ - left_ + 1; }

  // Writes the batch one row segment per call, wrapping at the region's
  // right column; the scroll for a new row waits until it is written to.
  void writeBatch() {
    std::size_t done = 0;
    while (done < batchLength_) {
      if (x_ > right_) {
        x_ = left_;
        ++y_;
      }
      const std::size_t count =
          std::min(batchLength_ - done, static_cast<std::size_t>(right_ - x_ + 1));
      if (y_ > bottom_) scrollRegion(y_ - bottom_);
      std::array<CharCell, kBatchSize> cells;
      for (std::size_t i = 0; i < count; ++i) cells[i] = CharCell{batch_[done + i], attribute_};
      SmallRect target = Rect::sized(x_, y_, static_cast<int>(count), 1).small();
      if (!screen_.writeCells(cells.data(), coordAt(static_cast<int>(count), 1), Coord{}, target)) {
        break;  // the rest of the batch is lost; the cursor stays
      }
      done += count;
      x_ += static_cast<int>(count);
      if (x_ > right_) {
        x_ = left_;
        ++y_;
      }
    }
    batchLength_ = 0;
  }

  void blankRow(int row) {
    const auto count = static_cast<std::uint32_t>(width());
    const Coord start = coordAt(left_, row);
    std::uint32_t written = 0;
    screen_.fillAttribute(attribute_, count, start, written);
    screen_.fillCharacter(' ', count, start, written);
  }

  // Makes room for a cursor that stands n rows below the region's bottom:
  // the region first moves down a taller buffer, then the contents move up.
  void scrollRegion(int n) {
    const CharCell fill{' ', attribute_};
    if (!partial_) {
      const int room = std::max(0, bufferHeight_ - 1 - bottom_);
      const int m = std::min(n, room);
      top_ += m;
      bottom_ += m;
      n -= m;
      if (n == 0) return;
      if (n >= bufferHeight_) {
        for (int row = top_; row <= bottom_; ++row) blankRow(row);
      } else {
        const Rect source{0, n, bufferWidth_ - 1, bufferHeight_ - 1};
        screen_.scrollRect(source.small(), nullptr, Coord{}, fill);
        if (bufferHeight_ - n < n) {
          for (int row = bufferHeight_ - n; row < bufferHeight_; ++row) blankRow(row);
        }
      }
    } else {
      const int height = bottom_ - top_ + 1;
      if (height <= n) {
        for (int row = top_; row <= bottom_; ++row) blankRow(row);
      } else {
        const Rect source{left_, top_ + n, right_, bottom_};
        screen_.scrollRect(source.small(), nullptr, coordAt(left_, top_), fill);
        if (height - n < n) {
          for (int row = top_ + height - n; row <= bottom_; ++row) blankRow(row);
        }
      }
    }
    y_ = bottom_;
  }

  void finish() {
    if (x_ == left_ && y_ == bottom_ + 1) {
      // The text filled the bottom row: the line feed waits for the next
      // output, so the last row stays in view.
      console_.pendingLineFeed = true;
      x_ = right_;
      y_ = bottom_;
    } else if (y_ > bottom_) {
      scrollRegion(y_ - bottom_);
    }
    screen_.setCursorPosition(coordAt(x_, y_));
    if (top_ != originalTop_ && !partial_) {
      screen_.setWindowInfo(true, Rect{left_, top_, right_, bottom_}.small());
    }
    readWindowRect(console_);
    host_.flushScreen();
  }

  ConsoleState& console_;
  ScreenBuffer& screen_;
  Host& host_;
  int left_ = 0;
  int top_ = 0;
  int right_ = 0;
  int bottom_ = 0;
  int originalTop_ = 0;
  bool partial_ = false;
  int bufferWidth_ = kFallbackColumns;
  int bufferHeight_ = kFallbackRows;
  std::uint16_t attribute_ = kDefaultAttribute;
  int x_ = 0;
  int y_ = 0;
  int virtualColumn_ = 0;
  bool lastWasMove_ = false;
  std::array<std::uint8_t, kBatchSize> batch_{};
  std::size_t batchLength_ = 0;
};

// Stream mode: every byte goes out unchanged. A write that fails, or that
// takes nothing, ends the attempt rather than retrying for ever.
void writeStream(ConsoleState& console, const char* bytes, std::size_t length) {
  while (length > 0) {
    const auto chunk = static_cast<std::uint32_t>(std::min<std::size_t>(length, 1u << 30));
    std::uint32_t written = 0;
    if (!console.host->writeBytes(bytes, chunk, written) || written == 0) {
      return;
    }
    written = std::min(written, chunk);
    bytes += written;
    length -= written;
  }
}

}  // namespace

void consoleWrite(ConsoleState& console, const char* bytes, std::size_t length, WriteEmpty empty) {
  if (length == 0 && empty == WriteEmpty::Skip) return;
  ensureFirstUse(console);
  if (windowAbsent(console)) {
    writeStream(console, bytes, length);
    return;
  }
  ScreenWriter(console).run(reinterpret_cast<const std::uint8_t*>(bytes), length);
}

void finishPendingLineFeed(ConsoleState& console) { consoleWrite(console, "", 0, WriteEmpty::Run); }

void printText(ConsoleState& console, const std::string& text) {
  consoleWrite(console, text.data(), text.size(), WriteEmpty::Skip);
}

void printLine(ConsoleState& console, const std::string& text) {
  printText(console, text);
  consoleWrite(console, "\r\n", 2, WriteEmpty::Skip);
}

std::string formatInteger(std::int32_t value, bool lineEnd) {
  std::array<char, 16> text{};
  const int length = std::snprintf(text.data(), text.size(), lineEnd ? "% d\r\n" : "% d", value);
  return std::string(text.data(), static_cast<std::size_t>(std::max(length, 0)));
}

void printInteger(ConsoleState& console, std::int32_t value, bool lineEnd) {
  const std::string text = formatInteger(value, lineEnd);
  consoleWrite(console, text.data(), text.size(), WriteEmpty::Skip);
}

}  // namespace maze
