#include "platform/memory/screen_transcript.hpp"

#include <algorithm>

namespace maze {
namespace {

bool full(const MemoryScreen& screen, const std::string& text) {
  return static_cast<int>(text.size()) >= screen.width();
}

// The first `n` characters of a row's text, as blanks fill it out.
std::string head(const std::string& text, std::size_t n) {
  std::string out = text.substr(0, n);
  out.resize(n, ' ');
  return out;
}

}  // namespace

void ScreenTranscript::scrollUp(int count) {
  const int n = std::min<int>(count, static_cast<int>(rows_.size()));
  for (int y = 0; y < n; ++y) {
    if (fresh_[y] && !rows_[y].empty()) gone_.push_back(rows_[y]);
  }
  rows_.erase(rows_.begin(), rows_.begin() + n);
  fresh_.erase(fresh_.begin(), fresh_.begin() + n);
  rows_.resize(rows_.size() + n);
  fresh_.resize(fresh_.size() + n, false);
  if (inputAt_) {
    inputAt_->y = static_cast<std::int16_t>(inputAt_->y - count);
    if (inputAt_->y < 0) inputAt_.reset();
  }
}

// The typing goes on from where it started, row after row while each is
// filled to its end; the program's own text before that point is not
// the player's.
bool ScreenTranscript::typedAt(const MemoryScreen& screen, int y, const std::string& text) const {
  if (!inputAt_) return false;
  const int start = inputAt_->y;
  if (y == start) {
    const auto n = static_cast<std::size_t>(inputAt_->x);
    return head(text, n) == head(rows_[y], n);
  }
  if (y < start) return false;
  for (int row = start; row < y; ++row) {
    if (!full(screen, screen.rowText(row))) return false;
  }
  return true;
}

void ScreenTranscript::observe(const MemoryScreen& screen, const ScreenChanges& changes) {
  const auto height = static_cast<std::size_t>(screen.height());
  if (rows_.size() != height) {
    rows_.resize(height);
    fresh_.resize(height, false);
  }
  if (changes.rowsScrolledUp > 0) scrollUp(changes.rowsScrolledUp);
  // Typing never moves the cursor back before where it started: the
  // program has moved it, and writes its own text from now on.
  const Coord cursor = screen.cursor();
  if (inputAt_ && (cursor.y < inputAt_->y || (cursor.y == inputAt_->y && cursor.x < inputAt_->x))) {
    inputAt_.reset();
  }
  // Rows may have moved, so then every row is looked at.
  const bool everyRow = changes.rowsScrolledUp > 0 || changes.resized;
  const int first = everyRow ? 0 : std::max(changes.firstRow, 0);
  const int last = everyRow ? screen.height() - 1 : std::min(changes.lastRow, screen.height() - 1);
  for (int y = first; y <= last; ++y) {
    std::string text = screen.rowText(y);
    if (text == rows_[y]) continue;
    // A line cleared or overwritten before anyone was told of it was still
    // shown; one that only grows is still being written.
    if (fresh_[y] && !rows_[y].empty() && text.rfind(rows_[y], 0) != 0) {
      gone_.push_back(rows_[y]);
    }
    if (!typedAt(screen, y, text)) {
      fresh_[y] = true;
      anyFresh_ = true;
    }
    rows_[y] = std::move(text);
  }
}

std::vector<std::string> ScreenTranscript::take(const MemoryScreen& screen) {
  std::vector<std::string> lines;
  lines.swap(gone_);
  if (anyFresh_) {
    bool continues = false;  // the last row went on into this one
    for (std::size_t y = 0; y < rows_.size(); ++y) {
      if (!fresh_[y]) {
        continues = false;
        continue;
      }
      fresh_[y] = false;
      if (rows_[y].empty()) {
        continues = false;
        continue;
      }
      if (continues) {
        lines.back() += rows_[y];
      } else {
        lines.push_back(rows_[y]);
      }
      // A line may also break where its last column holds a blank.
      continues = static_cast<int>(rows_[y].size()) >= screen.width() - 1;
      if (continues && !full(screen, rows_[y])) lines.back() += ' ';
    }
    anyFresh_ = false;
    for (std::string& line : lines) line.erase(line.find_last_not_of(' ') + 1);
  }
  // Where the player was last asked stays the start of their typing until
  // the program says something new.
  if (!lines.empty() || !inputAt_) inputAt_ = screen.cursor();
  return lines;
}

}  // namespace maze
