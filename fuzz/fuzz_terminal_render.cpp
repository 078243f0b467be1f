// The terminal renderer against a terminal emulator (libvterm): random text
// output, clearing, cursor moves and colours on the in-memory screen, each
// output call rendered from the screen's change record the way the
// terminal backend does it; afterwards the emulated terminal must show
// exactly the screen's window, with the cursor where the screen has it and
// shown or hidden as the screen says.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/console.hpp"
#include "console/output.hpp"
#include "console/screen.hpp"
#include "invariants.hpp"
#include "platform/terminal/cp437.hpp"
#include "platform/terminal/terminal_renderer.hpp"
#include "support/test_host.hpp"
#include "support/test_screen.hpp"
#include "support/vterm_screen.hpp"

namespace {

using Emulator = maze::VtermScreen;

// What a render was given, and what it sent.
void traceRender(const maze::ScreenChanges& changes, const std::string& out) {
  std::fprintf(stderr, "  render");
  if (changes.firstRow <= changes.lastRow)
    std::fprintf(stderr, ", rows %d-%d", changes.firstRow, changes.lastRow);
  std::fprintf(stderr, ", scrolled up %d, window top was %d%s:", changes.rowsScrolledUp,
               changes.windowBefore.top, changes.resized ? ", resized" : "");
  for (const char c : out)
    std::fprintf(stderr, c >= 32 && c < 127 ? "%c" : "\\x%02x", static_cast<unsigned char>(c));
  std::fprintf(stderr, "\n");
}

// The terminal backend's part of a host: after every output call the
// renderer sends the emulated terminal what the screen's change record
// holds, and the terminal must then show the screen's window.
class RenderingHost : public maze::TestHost {
 public:
  explicit RenderingHost(maze::MemoryScreen& screen)
      : screen_(screen),
        renderer_(screen.width(), screen.height()),
        emulator_(screen.height(), screen.width()) {}

  void flushScreen() override {
    TestHost::flushScreen();
    const maze::ScreenChanges changes = screen_.takeChanges();
    std::string out;
    renderer_.render(screen_, changes, out);
    renderer_.settleCursor(screen_, out);  // compared as the program would wait
    if (std::getenv("MAZE_FUZZ_TRACE") != nullptr) traceRender(changes, out);
    emulator_.feed(out);
    compare();
  }

  // A new terminal size, taken on as the terminal backend does: the buffer
  // keeps its rows, the window is placed so the cursor stays in view.
  void resizeTerminal(int columns, int rows) {
    maze::MemoryScreen& s = screen_;
    const int height = std::max(s.height(), rows);
    s.resizeBuffer(columns, height);
    int top = std::min<int>(s.window().top, height - rows);
    if (s.cursor().y < top) top = s.cursor().y;
    if (s.cursor().y > top + rows - 1) top = s.cursor().y - rows + 1;
    s.setWindow(maze::Rect::sized(0, top, columns, rows).small());
    renderer_.resize(columns, rows);
    emulator_.resize(rows, columns);
    flushScreen();
  }

  void invalidate() { renderer_.invalidate(); }

 private:
  // The terminal shows the window from its top-left corner; where the
  // window is smaller than the terminal, the rest is blank.
  void compare() const {
    const maze::MemoryScreen& s = screen_;
    const maze::SmallRect& w = s.window();
    for (int y = 0; y < renderer_.rows(); ++y) {
      for (int x = 0; x < renderer_.columns(); ++x) {
        const bool inside = w.left + x <= w.right && w.top + y <= w.bottom;
        const std::uint8_t ch = inside ? s.cell(w.left + x, w.top + y).ch : ' ';
        const char32_t expected = ch == 0 ? U' ' : maze::cp437ToUnicode(ch);
        if (emulator_.glyph(y, x) != expected) {
          std::fprintf(stderr, "row %d column %d: terminal U+%04X, console byte %u\n", y, x,
                       static_cast<unsigned>(emulator_.glyph(y, x)), ch);
          std::fprintf(stderr, "console window %d,%d to %d,%d of %dx%d, cursor %d,%d\n", w.left,
                       w.top, w.right, w.bottom, s.width(), s.height(), s.cursor().x, s.cursor().y);
          maze::fuzz::broken("the terminal shows other text than the console");
        }
      }
    }
    const int x = s.cursor().x - w.left;
    const int y = s.cursor().y - w.top;
    const bool shown = s.cursorVisible() && x >= 0 && y >= 0 && x <= w.right - w.left &&
                       y <= w.bottom - w.top && x < renderer_.columns() && y < renderer_.rows();
    if (shown != emulator_.cursorVisible()) {
      maze::fuzz::broken("cursor shown or hidden unlike the console's");
    }
    if (shown) {
      const maze::CursorPos pos = emulator_.cursor();
      if (pos.row != y || pos.col != x) {
        std::fprintf(stderr, "terminal cursor %d,%d; console %d,%d\n", pos.col, pos.row, x, y);
        maze::fuzz::broken("the terminal's cursor is not where the console's is");
      }
    }
  }

  maze::MemoryScreen& screen_;
  maze::TerminalRenderer renderer_;
  Emulator emulator_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int columns = in.ConsumeIntegralInRange(2, 100);
  const int rows = in.ConsumeIntegralInRange(2, 40);
  maze::TestScreen screen(columns, rows);
  RenderingHost host(screen);
  maze::ConsoleState console(host, screen);
  maze::startConsole(console, 0, nullptr);

  // MAZE_FUZZ_TRACE=1 prints the steps of an input being replayed.
  const bool trace = std::getenv("MAZE_FUZZ_TRACE") != nullptr;
  if (trace) std::fprintf(stderr, "terminal %dx%d\n", columns, rows);
  for (int step = 0; step < 48 && in.remaining_bytes() > 0; ++step) {
    switch (in.ConsumeIntegralInRange(0, 9)) {
      case 0: {
        const auto mode = in.ConsumeIntegralInRange<std::uint32_t>(0, 3);
        if (trace) std::fprintf(stderr, "clear %u\n", mode);
        maze::clearScreen(console, mode);
        break;
      }
      case 1: {
        const int row = in.ConsumeIntegralInRange(0, rows);
        const int column = in.ConsumeIntegralInRange(0, columns);
        const int visibility = in.ConsumeIntegralInRange(-1, 1);
        if (trace) std::fprintf(stderr, "move %d %d %d\n", row, column, visibility);
        maze::moveCursor(console, row, column, visibility);
        break;
      }
      case 2: screen.setAttribute(in.ConsumeIntegral<std::uint16_t>()); break;
      case 3: host.invalidate(); break;
      case 4: {
        const int newColumns = in.ConsumeIntegralInRange(2, 100);
        const int newRows = in.ConsumeIntegralInRange(2, 40);
        if (trace) std::fprintf(stderr, "resize %dx%d\n", newColumns, newRows);
        host.resizeTerminal(newColumns, newRows);
        break;
      }
      default: {
        const std::string bytes = in.ConsumeRandomLengthString(600);
        const auto empty = in.ConsumeBool() ? maze::WriteEmpty::Run : maze::WriteEmpty::Skip;
        if (trace) {
          std::fprintf(stderr, "write");
          for (const char c : bytes) std::fprintf(stderr, " %02x", static_cast<unsigned char>(c));
          std::fprintf(stderr, "\n");
        }
        maze::consoleWrite(console, bytes.data(), bytes.size(), empty);
        break;
      }
    }
    maze::fuzz::checkInvariants(screen, console);
  }
  return 0;
}
