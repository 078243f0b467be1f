// Replays what a program sent to its terminal through a terminal emulator
// (libvterm) and counts the cells whose character changed, step by step: the
// text that changed on the screen, to set against the bytes it took.
//
// Input (standard input): the terminal's size as "rows cols\n", then one
// record per step, "length\n" followed by that many bytes.
// Output: "bytes <n> changed <n> steps <n>".
#include <vterm.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::vector<std::uint32_t> snapshot(VTermScreen* screen, int rows, int cols) {
  std::vector<std::uint32_t> cells(static_cast<std::size_t>(rows) * cols);
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < cols; ++col) {
      VTermScreenCell cell{};
      vterm_screen_get_cell(screen, VTermPos{row, col}, &cell);
      const std::uint32_t ch = cell.chars[0] == 0 ? ' ' : cell.chars[0];
      cells[static_cast<std::size_t>(row) * cols + col] = ch;
    }
  }
  return cells;
}

}  // namespace

int main() {
  int rows = 0;
  int cols = 0;
  if (!(std::cin >> rows >> cols) || rows <= 0 || cols <= 0) {
    std::fprintf(stderr, "expected \"rows cols\" first\n");
    return 2;
  }
  VTerm* term = vterm_new(rows, cols);
  vterm_set_utf8(term, 1);
  VTermScreen* screen = vterm_obtain_screen(term);
  vterm_screen_reset(screen, 1);

  std::vector<std::uint32_t> before = snapshot(screen, rows, cols);
  unsigned long long bytes = 0;
  unsigned long long changed = 0;
  unsigned long long steps = 0;
  std::size_t length = 0;
  while (std::cin >> length) {
    std::cin.get();  // the newline after the length
    std::string chunk(length, '\0');
    if (!std::cin.read(chunk.data(), static_cast<std::streamsize>(length))) break;
    vterm_input_write(term, chunk.data(), chunk.size());
    const std::vector<std::uint32_t> after = snapshot(screen, rows, cols);
    for (std::size_t i = 0; i < after.size(); ++i) changed += after[i] != before[i] ? 1 : 0;
    before = after;
    bytes += length;
    ++steps;
  }
  std::printf("bytes %llu changed %llu steps %llu\n", bytes, changed, steps);
  vterm_free(term);
  return 0;
}
