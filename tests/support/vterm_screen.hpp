// The one terminal emulator of the tests (libvterm), independent of the
// program: what a player would see, from the bytes the program sends.
#pragma once

#include <vterm.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace maze {

struct CursorPos {
  int row = 0;  // 0-based, from the top of the screen
  int col = 0;  // 0-based
  bool operator==(const CursorPos&) const = default;
};

class VtermScreen {
 public:
  VtermScreen(int rows, int cols);
  ~VtermScreen();
  VtermScreen(const VtermScreen&) = delete;
  VtermScreen& operator=(const VtermScreen&) = delete;

  void feed(std::string_view bytes);
  void resize(int rows, int cols);
  // The terminal's own answers (cursor reports, device attributes) go here.
  void onReply(std::function<void(std::string_view)> reply) { reply_ = std::move(reply); }

  int rows() const { return rows_; }
  int cols() const { return cols_; }
  // One screen row in UTF-8, blanks on the right trimmed.
  std::string row(int r) const;
  // Every row, each ended by a newline.
  std::string text() const;
  bool contains(std::string_view needle) const;
  // One cell, and its first character (a blank where the cell is empty).
  VTermScreenCell cell(int row, int col) const;
  char32_t glyph(int row, int col) const;
  CursorPos cursor() const;
  bool cursorVisible() const { return cursorVisible_; }
  bool altScreen() const { return altScreen_; }
  // Rows pushed off the top into the scrollback, oldest first.
  const std::vector<std::string>& scrollback() const { return scrollback_; }
  int bells() const { return bells_; }
  // What the terminal would send now for a key (Up, the keypad's 5): the
  // cursor keys' and the keypad's modes as the program left them.
  std::string keySends(VTermKey key) const;

 private:
  int rows_;
  int cols_;
  VTerm* vt_;
  VTermScreen* screen_;
  std::function<void(std::string_view)> reply_;
  std::vector<std::string> scrollback_;
  bool cursorVisible_ = true;
  bool altScreen_ = false;
  int bells_ = 0;
  // Set while a key is pressed for a look at its bytes, which then stay here.
  mutable std::string* captured_ = nullptr;

  friend struct VtermCallbacks;
};

// Appends one code point in UTF-8.
void appendUtf8(std::string& out, unsigned cp);

}  // namespace maze
