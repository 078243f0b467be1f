// A screen buffer in memory that keeps the Windows console's rules call by
// call: cells, a window over a band of its rows, a cursor and the current
// attribute. It records what its calls change, so that a terminal can show
// it by sending only that.
#pragma once

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/screen_buffer.hpp"

namespace maze {

// What the screen's calls have changed since the record was last taken.
struct ScreenChanges {
  // Buffer rows whose cells changed; none while firstRow > lastRow.
  int firstRow = INT_MAX;
  int lastRow = -1;
  // Scrolls of the whole buffer: every row's contents moved up this far.
  int rowsScrolledUp = 0;
  // The window when the record was last taken.
  SmallRect windowBefore;
  // The buffer changed its size: nothing of it is where it was.
  bool resized = false;

  void touchRows(int first, int last) {
    if (first < firstRow) firstRow = first;
    if (last > lastRow) lastRow = last;
  }
  bool touches(int row) const { return row >= firstRow && row <= lastRow; }
};

class MemoryScreen : public ScreenBuffer {
 public:
  // A buffer `width` x `height` with a window over its top `windowHeight`
  // rows (0: as tall as the buffer).
  explicit MemoryScreen(int width = kFallbackColumns, int height = kFallbackRows,
                        int windowHeight = 0);

  bool getInfo(ScreenBufferInfo& info) override;
  bool fillAttribute(std::uint16_t attr, std::uint32_t length, Coord start,
                     std::uint32_t& written) override;
  bool fillCharacter(std::uint8_t ch, std::uint32_t length, Coord start,
                     std::uint32_t& written) override;
  bool writeCells(const CharCell* cells, Coord cellsSize, Coord cellsOrigin,
                  SmallRect& target) override;
  bool scrollRect(const SmallRect& scroll, const SmallRect* clip, Coord destination,
                  CharCell fill) override;
  bool setCursorPosition(Coord position) override;
  bool getCursorInfo(CursorInfo& info) override;
  bool setCursorInfo(const CursorInfo& info) override;
  bool setWindowInfo(bool absolute, const SmallRect& window) override;

  int width() const { return width_; }
  int height() const { return height_; }
  const SmallRect& window() const { return window_; }
  Coord cursor() const { return cursor_; }
  bool cursorVisible() const { return cursorInfo_.visible; }
  std::uint16_t attribute() const { return attribute_; }
  const CharCell& cell(int x, int y) const {
    return cells_[static_cast<std::size_t>(y) * width_ + x];
  }
  // Row y's characters, trailing blanks removed unless `keepTrailing`.
  std::string rowText(int y, bool keepTrailing = false) const;
  // The window's rows, each as rowText, joined with '\n'.
  std::string windowText() const;

  // What the console's user can do: give the buffer another size (the
  // cells that still fit stay; the window and cursor are pulled inside),
  // and move or resize the window.
  void resizeBuffer(int width, int height);
  void setWindow(const SmallRect& window);

  const ScreenChanges& changes() const { return changes_; }
  // The record so far; a new one starts from the screen as it is now.
  ScreenChanges takeChanges();

 protected:
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  CharCell& at(int x, int y) { return cells_[static_cast<std::size_t>(y) * width_ + x]; }
  void setCursor(Coord position) { cursor_ = position; }
  void setCurrentAttribute(std::uint16_t attr) { attribute_ = attr; }
  void noteRowChanged(int row) { changes_.touchRows(row, row); }

 private:
  template <typename SetCell>
  bool fillRun(std::uint32_t length, Coord start, std::uint32_t& written, SetCell setCell);
  void showCursorInWindow();

  int width_;
  int height_;
  std::vector<CharCell> cells_;
  SmallRect window_;
  Coord cursor_;
  CursorInfo cursorInfo_;
  std::uint16_t attribute_ = kDefaultAttribute;
  ScreenChanges changes_;
};

}  // namespace maze
