#include "platform/terminal/terminal_renderer.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "console/output.hpp"
#include "console/screen.hpp"
#include "platform/terminal/cp437.hpp"
#include "platform/terminal/terminal_fit.hpp"
#include "platform/terminal/terminal_screen.hpp"
#include "support/test_host.hpp"
#include "support/test_screen.hpp"
#include "support/vterm_screen.hpp"

namespace maze {
namespace {

int ansiIndex(int consoleColour) {
  const int c = consoleColour & 7;
  return (((c & 1) << 2) | (c & 2) | ((c & 4) >> 2)) + ((consoleColour & 8) ? 8 : 0);
}

// The terminal shows the model's window: every glyph, its colours, and the
// cursor.
void expectShows(const VtermScreen& term, const MemoryScreen& model, const char* where) {
  const SmallRect& w = model.window();
  for (int y = 0; y <= w.bottom - w.top; ++y) {
    for (int x = 0; x <= w.right - w.left; ++x) {
      const CharCell& cell = model.cell(w.left + x, w.top + y);
      ASSERT_EQ(term.glyph(y, x), cp437ToUnicode(cell.ch))
          << where << ": glyph at " << x << "," << y << " byte " << int{cell.ch};
      const VTermScreenCell shown = term.cell(y, x);
      if (cell.attr == 7) {
        ASSERT_TRUE(VTERM_COLOR_IS_DEFAULT_FG(&shown.fg) && VTERM_COLOR_IS_DEFAULT_BG(&shown.bg))
            << where << ": colours at " << x << "," << y;
      } else {
        ASSERT_TRUE(VTERM_COLOR_IS_INDEXED(&shown.fg) && VTERM_COLOR_IS_INDEXED(&shown.bg));
        ASSERT_EQ(shown.fg.indexed.idx, ansiIndex(cell.attr)) << where << " at " << x << "," << y;
        ASSERT_EQ(shown.bg.indexed.idx, ansiIndex(cell.attr >> 4))
            << where << " at " << x << "," << y;
      }
    }
  }
  ASSERT_EQ(term.cursorVisible(), model.cursorVisible()) << where;
  if (model.cursorVisible()) {
    ASSERT_EQ(term.cursor().col, model.cursor().x - w.left) << where;
    ASSERT_EQ(term.cursor().row, model.cursor().y - w.top) << where;
  }
}

// A model screen, its renderer, and the terminal its frames are fed to.
struct Rig {
  Rig(int columns, int rows) : model(columns, rows), renderer(columns, rows), term(rows, columns) {}
  // The frame for the changes since the last one, fed to the terminal;
  // `settle`: as before the program waits.
  std::string draw(bool settle = false) {
    std::string frame;
    renderer.render(model, model.takeChanges(), frame);
    if (settle) renderer.settleCursor(model, frame);
    term.feed(frame);
    return frame;
  }

  TestScreen model;
  TerminalRenderer renderer;
  VtermScreen term;
};

// The console services on the in-memory screen, with every flush drawn to
// libvterm the way the terminal host draws it.
class DrawnConsole : public TestHost {
 public:
  DrawnConsole(int columns, int rows) : rig(columns, rows) {}
  void flushScreen() override {
    TestHost::flushScreen();
    lastFrame = rig.draw();
  }

  Rig rig;
  std::string lastFrame;
};

TEST(PosixTerminalRenderer, RandomFramesMatchTheModelAndRepeatNothing) {
  constexpr int kColumns = 37;
  constexpr int kRows = 11;
  Rig rig(kColumns, kRows);
  TestScreen& model = rig.model;
  std::mt19937 random(2024);
  const std::uint16_t attrs[] = {7, 7, 7, 7, 0x1E, 0x4F, 0x70, 0x0A, 0x87};
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };

  for (int round = 0; round < 400; ++round) {
    for (int op = pick(4); op >= 0; --op) {
      switch (pick(7)) {
        case 0:
        case 1: {
          std::vector<CharCell> cells(static_cast<std::size_t>(1 + pick(kColumns)));
          const std::uint16_t attr = attrs[pick(9)];
          for (CharCell& c : cells) {
            c.ch = static_cast<std::uint8_t>(pick(3) == 0 ? pick(256) : 'a' + pick(26));
            c.attr = attr;
          }
          SmallRect target = Rect{pick(kColumns), pick(kRows), kColumns - 1, kRows - 1}.small();
          model.writeCells(cells.data(), coordAt(static_cast<int>(cells.size()), 1), {}, target);
          break;
        }
        case 2: {
          std::uint32_t written = 0;
          const Coord start = coordAt(pick(kColumns), pick(kRows));
          const auto length = static_cast<std::uint32_t>(pick(3 * kColumns));
          model.fillCharacter(' ', length, start, written);
          model.fillAttribute(7, length, start, written);
          break;
        }
        case 3: {  // the console scrolling up, as text output does
          const SmallRect all = Rect{0, 1 + pick(kRows + 2), kColumns - 1, kRows - 1}.small();
          model.scrollRect(all, nullptr, Coord{0, 0}, CharCell{' ', 7});
          break;
        }
        case 4: {  // a scroll of a band of rows, which the terminal cannot copy
          const int top = pick(kRows - 2);
          const SmallRect band =
              Rect{0, top + 1, kColumns - 1, top + 1 + pick(kRows - top - 1)}.small();
          model.scrollRect(band, nullptr, coordAt(0, top), CharCell{'#', 0x1E});
          break;
        }
        case 5: model.setCursorPosition(coordAt(pick(kColumns), pick(kRows))); break;
        case 6: model.setCursorInfo(CursorInfo{25, pick(3) != 0}); break;
      }
    }
    rig.draw(true);
    ASSERT_NO_FATAL_FAILURE(
        expectShows(rig.term, model, ("round " + std::to_string(round)).c_str()));
    ASSERT_EQ(rig.draw(), "") << "round " << round;
  }
}

TEST(PosixTerminalRenderer, SmallChangesWriteFewBytes) {
  Rig rig(80, 25);
  for (int y = 0; y < 25; ++y) rig.model.putText(0, y, std::string(79, static_cast<char>('A' + y)));
  rig.model.setCursorPosition(Coord{10, 12});
  rig.draw();

  // One character elsewhere: a move there, the character, a move back.
  rig.model.putText(40, 3, "x");
  std::string frame = rig.draw();
  EXPECT_LE(frame.size(), 20u) << ::testing::PrintToString(frame);
  expectShows(rig.term, rig.model, "one cell");

  // Echo of a typed character: the character alone.
  rig.model.putText(10, 12, "y");
  rig.model.setCursorPosition(Coord{11, 12});
  EXPECT_EQ(rig.draw(), "y");

  // Hiding the cursor waits until the program waits; hidden and shown
  // again before that, it costs nothing.
  rig.model.setCursorInfo(CursorInfo{25, false});
  EXPECT_EQ(rig.draw(), "");
  rig.model.setCursorInfo(CursorInfo{25, true});
  EXPECT_EQ(rig.draw(true), "");
  rig.model.setCursorInfo(CursorInfo{25, false});
  EXPECT_EQ(rig.draw(true), "\x1b[?25l");

  // A cleared row: a move and one erase.
  rig.model.setCursorInfo(CursorInfo{25, true});
  std::uint32_t written = 0;
  rig.model.fillCharacter(' ', 80, Coord{0, 5}, written);
  frame = rig.draw();
  EXPECT_LE(frame.size(), 30u) << ::testing::PrintToString(frame);
  expectShows(rig.term, rig.model, "cleared row");

  // Text, then an erase to the row's end: the cursor is left after the
  // text, not where the text began.
  rig.model.putText(0, 8, "xy");
  rig.model.fillCharacter(' ', 78, Coord{2, 8}, written);
  rig.model.setCursorPosition(Coord{0, 8});
  rig.draw();
  expectShows(rig.term, rig.model, "erased tail");
}

TEST(PosixTerminalRenderer, TextThatScrollsLeavesItsRowsInTheScrollback) {
  DrawnConsole drawn(40, 10);
  ConsoleState console(drawn, drawn.rig.model);
  startConsole(console, 0, nullptr);
  clearScreen(console);
  std::vector<std::string> printed;
  for (int i = 0; i < 30; ++i) {
    const std::string line = "line " + std::to_string(i);
    printLine(console, line);
    printed.push_back(line);
    ASSERT_NO_FATAL_FAILURE(expectShows(drawn.rig.term, drawn.rig.model, line.c_str()));
    // Once the screen is full, each line end is a scroll, not a redraw.
    if (i >= 10) {
      EXPECT_LE(drawn.lastFrame.size(), 12u) << ::testing::PrintToString(drawn.lastFrame);
    }
  }
  // The scrollback then the screen hold every line, in order, once.
  std::vector<std::string> all = drawn.rig.term.scrollback();
  for (int y = 0; y < 10; ++y) all.push_back(drawn.rig.term.row(y));
  while (!all.empty() && all.back().empty()) all.pop_back();
  EXPECT_EQ(all, printed);
}

TEST(PosixTerminalRenderer, ShellLinesGoToTheScrollbackBeforeTheFirstDraw) {
  Rig rig(30, 6);
  rig.term.feed("$ one\r\n$ two\r\n$ maze\r\n");
  rig.model.putText(0, 0, "Choose");
  rig.model.setCursorPosition(Coord{6, 0});
  rig.term.feed(rig.renderer.pushIntoScrollback(3));
  rig.draw();
  EXPECT_EQ(rig.term.scrollback(), (std::vector<std::string>{"$ one", "$ two", "$ maze"}));
  expectShows(rig.term, rig.model, "first draw");
}

TEST(PosixTerminalRenderer, CodePageGlyphsAndColours) {
  Rig rig(20, 3);
  const CharCell cells[] = {{0, 7},        {1, 7},       {0x7F, 7}, {0xB0, 0x1E},
                            {0x82, 0x4F},  {0xE1, 7},    {0xFF, 7}, {'A', 0x70},
                            {'R', 0x4007}, {'U', 0x8007}};  // reverse video, underscore
  SmallRect target{0, 1, 19, 1};
  rig.model.writeCells(cells, Coord{10, 1}, Coord{0, 0}, target);
  rig.draw();
  expectShows(rig.term, rig.model, "glyphs");
  EXPECT_EQ(rig.term.row(1), " \u263A\u2302\u2591\u00E9\u00DF\u00A0ARU");
  EXPECT_EQ(XY(rig.term.cell(1, 8).attrs.reverse, rig.term.cell(1, 8).attrs.underline), XY(1, 0));
  EXPECT_EQ(XY(rig.term.cell(1, 9).attrs.reverse, rig.term.cell(1, 9).attrs.underline), XY(0, 1));
}

TEST(PosixTerminalRenderer, LeavingShowsTheCursorWithDefaultColours) {
  Rig rig(20, 5);
  const CharCell coloured{'x', 0x1E};
  SmallRect target{0, 2, 0, 2};
  rig.model.writeCells(&coloured, Coord{1, 1}, Coord{0, 0}, target);
  rig.model.setCursorPosition(Coord{4, 3});
  rig.model.setCursorInfo(CursorInfo{25, false});
  std::string frame;
  rig.renderer.render(rig.model, rig.model.takeChanges(), frame);
  rig.renderer.leave(rig.model, frame);
  rig.term.feed(frame);
  EXPECT_TRUE(rig.term.cursorVisible());
  EXPECT_EQ(XY(rig.term.cursor().col, rig.term.cursor().row), XY(4, 3));
  rig.term.feed("$");  // the shell's prompt
  const VTermScreenCell prompt = rig.term.cell(3, 4);
  EXPECT_TRUE(VTERM_COLOR_IS_DEFAULT_FG(&prompt.fg));
}

TEST(PosixTerminalRenderer, ResizeDrawsEverythingAgain) {
  Rig rig(30, 8);
  rig.model.putText(0, 0, "first row");
  rig.model.putText(0, 7, "last row");
  rig.draw();
  for (const auto& [columns, rows] : {std::pair{12, 3}, std::pair{1, 1}, std::pair{50, 20}}) {
    rig.model.resizeBuffer(columns, rows);
    rig.model.setWindow(Rect::sized(0, 0, columns, rows).small());
    rig.renderer.resize(columns, rows);
    rig.term.resize(rows, columns);
    rig.draw();
    ASSERT_NO_FATAL_FAILURE(expectShows(rig.term, rig.model, "resized"));
  }
}

// A window that moves over a taller buffer, down as it follows the cursor
// and back up, shows the rows it now covers though none of them changed.
TEST(PosixTerminalRenderer, AWindowMovedOverTheBufferShowsWhatItCovers) {
  Rig rig(20, 3);
  rig.model.resizeBuffer(20, 8);
  for (int y = 0; y < 8; ++y) rig.model.putText(0, y, "row " + std::to_string(y));
  rig.draw();
  for (const int top : {2, 5, 1}) {
    rig.model.setWindow(Rect::sized(0, top, 20, 3).small());
    rig.model.placeCursor(coordAt(0, top));
    rig.draw();
    ASSERT_NO_FATAL_FAILURE(expectShows(rig.term, rig.model, std::to_string(top).c_str()));
  }
}

// A terminal narrowed, flattened and widened again loses no cell, keeps the
// cursor in view, and the program moves the window without resizing it.
TEST(TerminalScreenFit, TheBufferOutlivesTheWindowsSize) {
  TerminalScreen screen(8, 4);
  const CharCell cells[] = {{'a', 7}, {'b', 7}, {'c', 7}};
  SmallRect target{5, 3, 7, 3};
  ASSERT_TRUE(screen.writeCells(cells, {3, 1}, {0, 0}, target));
  ASSERT_TRUE(screen.setCursorPosition({7, 3}));
  screen.fitWindow(3, 1);
  EXPECT_EQ(Rect::of(screen.window()), (Rect{5, 2, 7, 3}));  // never under 2 x 2
  screen.fitWindow(10, 6);
  EXPECT_EQ(Rect::of(screen.window()), (Rect{0, 0, 9, 5}));
  EXPECT_EQ(screen.rowText(3), "     abc");
  EXPECT_TRUE(screen.setWindowInfo(true, {0, 0, 4, 1}));
  EXPECT_EQ(Rect::of(screen.window()), (Rect{0, 0, 9, 5}));
  EXPECT_FALSE(screen.setWindowInfo(true, {0, 0, 10, 5}));
  // A window asked for lower keeps its size, so it stays inside the buffer.
  EXPECT_TRUE(screen.setWindowInfo(true, {0, 3, 4, 4}));
  EXPECT_EQ(Rect::of(screen.window()), (Rect{0, 0, 9, 5}));
  // Narrowed below the cursor's column, then wide enough again: from the left edge.
  screen.fitWindow(4, 6);
  screen.fitWindow(9, 6);
  EXPECT_EQ(Rect::of(screen.window()), (Rect{0, 0, 8, 5}));
  screen.fitWindow(1, 1);  // never under 2 x 2
  EXPECT_EQ(Rect::of(screen.window()).width(), 2);
  EXPECT_EQ(Rect::of(screen.window()).height(), 2);
  // A terminal far larger than the console's usual 80 x 25 is used whole.
  TerminalRenderer renderer(2, 2);
  fitTerminal(screen, renderer, 300, 100);
  EXPECT_EQ(XY(renderer.columns(), renderer.rows()), XY(300, 100));
  EXPECT_EQ(Rect::of(screen.window()), (Rect{0, 0, 299, 99}));
}

}  // namespace
}  // namespace maze
