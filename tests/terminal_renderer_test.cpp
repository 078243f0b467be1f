#include "platform/terminal/terminal_renderer.hpp"

#include <gtest/gtest.h>
#include <vterm.h>

#include <random>
#include <string>
#include <vector>

#include "console/output.hpp"
#include "console/screen.hpp"
#include "platform/terminal/cp437.hpp"
#include "support/test_host.hpp"
#include "support/test_screen.hpp"

namespace maze {
namespace {

// A terminal kept by libvterm, fed with the renderer's bytes.
class VirtualTerminal {
 public:
  VirtualTerminal(int columns, int rows) : vt_(vterm_new(rows, columns)) {
    vterm_set_utf8(vt_, 1);
    screen_ = vterm_obtain_screen(vt_);
    callbacks_.settermprop = [](VTermProp prop, VTermValue* value, void* user) {
      if (prop == VTERM_PROP_CURSORVISIBLE) {
        static_cast<VirtualTerminal*>(user)->cursorVisible_ = value->boolean;
      }
      return 1;
    };
    callbacks_.sb_pushline = [](int columns, const VTermScreenCell* cells, void* user) {
      std::u32string line;
      for (int x = 0; x < columns; ++x)
        line.push_back(cells[x].chars[0] ? cells[x].chars[0] : U' ');
      line.erase(line.find_last_not_of(U' ') + 1);
      static_cast<VirtualTerminal*>(user)->scrollback_.push_back(line);
      return 1;
    };
    vterm_screen_set_callbacks(screen_, &callbacks_, this);
    vterm_screen_reset(screen_, 1);
  }
  ~VirtualTerminal() { vterm_free(vt_); }
  VirtualTerminal(const VirtualTerminal&) = delete;
  VirtualTerminal& operator=(const VirtualTerminal&) = delete;

  void feed(const std::string& bytes) { vterm_input_write(vt_, bytes.data(), bytes.size()); }
  void resize(int columns, int rows) { vterm_set_size(vt_, rows, columns); }

  VTermScreenCell cell(int x, int y) const {
    VTermScreenCell c{};
    vterm_screen_get_cell(screen_, VTermPos{y, x}, &c);
    return c;
  }
  char32_t glyph(int x, int y) const {
    const char32_t ch = cell(x, y).chars[0];
    return ch == 0 ? U' ' : ch;
  }
  std::u32string row(int y, int columns) const {
    std::u32string line;
    for (int x = 0; x < columns; ++x) line.push_back(glyph(x, y));
    line.erase(line.find_last_not_of(U' ') + 1);
    return line;
  }
  VTermPos cursor() const {
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return pos;
  }
  bool cursorVisible() const { return cursorVisible_; }
  const std::vector<std::u32string>& scrollback() const { return scrollback_; }

 private:
  VTerm* vt_;
  VTermScreen* screen_;
  VTermScreenCallbacks callbacks_{};
  bool cursorVisible_ = true;
  std::vector<std::u32string> scrollback_;
};

std::u32string u32(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

int ansiIndex(int consoleColour) {
  const int c = consoleColour & 7;
  return (((c & 1) << 2) | (c & 2) | ((c & 4) >> 2)) + ((consoleColour & 8) ? 8 : 0);
}

// The terminal shows the model's window: every glyph, its colours, and the
// cursor.
void expectShows(const VirtualTerminal& term, const MemoryScreen& model, const char* where) {
  const SmallRect& w = model.window();
  for (int y = 0; y <= w.bottom - w.top; ++y) {
    for (int x = 0; x <= w.right - w.left; ++x) {
      const CharCell& cell = model.cell(w.left + x, w.top + y);
      ASSERT_EQ(term.glyph(x, y), cp437ToUnicode(cell.ch))
          << where << ": glyph at " << x << "," << y << " byte " << int{cell.ch};
      const VTermScreenCell shown = term.cell(x, y);
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

// The console services on the in-memory screen, with every flush drawn to
// libvterm the way the terminal host draws it.
class DrawnConsole : public TestHost {
 public:
  DrawnConsole(int columns, int rows)
      : screen(columns, rows), renderer(columns, rows), term(columns, rows) {}

  void flushScreen() override {
    TestHost::flushScreen();
    lastFrame.clear();
    renderer.render(screen, screen.takeChanges(), lastFrame);
    term.feed(lastFrame);
  }

  TestScreen screen;
  TerminalRenderer renderer;
  VirtualTerminal term;
  std::string lastFrame;
};

TEST(PosixTerminalRenderer, RandomFramesMatchTheModelAndRepeatNothing) {
  constexpr int kColumns = 37;
  constexpr int kRows = 11;
  TestScreen model(kColumns, kRows);
  TerminalRenderer renderer(kColumns, kRows);
  VirtualTerminal term(kColumns, kRows);
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
          SmallRect target{static_cast<std::int16_t>(pick(kColumns)),
                           static_cast<std::int16_t>(pick(kRows)), kColumns - 1,
                           static_cast<std::int16_t>(kRows - 1)};
          const Coord size{static_cast<std::int16_t>(cells.size()), 1};
          model.writeCells(cells.data(), size, Coord{0, 0}, target);
          break;
        }
        case 2: {
          std::uint32_t written = 0;
          const Coord start{static_cast<std::int16_t>(pick(kColumns)),
                            static_cast<std::int16_t>(pick(kRows))};
          const auto length = static_cast<std::uint32_t>(pick(3 * kColumns));
          model.fillCharacter(' ', length, start, written);
          model.fillAttribute(7, length, start, written);
          break;
        }
        case 3: {  // the console scrolling up, as text output does
          const int n = 1 + pick(kRows + 2);
          const SmallRect all{0, static_cast<std::int16_t>(n), kColumns - 1, kRows - 1};
          const Coord origin{0, 0};
          model.scrollRect(all, nullptr, origin, CharCell{' ', 7});
          break;
        }
        case 4: {  // a scroll of a band of rows, which the terminal cannot copy
          const int top = pick(kRows - 2);
          const SmallRect band{0, static_cast<std::int16_t>(top + 1), kColumns - 1,
                               static_cast<std::int16_t>(top + 1 + pick(kRows - top - 1))};
          const Coord origin{0, static_cast<std::int16_t>(top)};
          model.scrollRect(band, nullptr, origin, CharCell{'#', 0x1E});
          break;
        }
        case 5:
          model.setCursorPosition(Coord{static_cast<std::int16_t>(pick(kColumns)),
                                        static_cast<std::int16_t>(pick(kRows))});
          break;
        case 6: model.setCursorInfo(CursorInfo{25, pick(3) != 0}); break;
      }
    }
    std::string frame;
    renderer.render(model, model.takeChanges(), frame);
    renderer.settleCursor(model, frame);  // as before the program waits
    term.feed(frame);
    ASSERT_NO_FATAL_FAILURE(expectShows(term, model, ("round " + std::to_string(round)).c_str()));
    std::string again;
    renderer.render(model, model.takeChanges(), again);
    ASSERT_EQ(again, "") << "round " << round;
  }
}

TEST(PosixTerminalRenderer, SmallChangesWriteFewBytes) {
  TestScreen model(80, 25);
  TerminalRenderer renderer(80, 25);
  VirtualTerminal term(80, 25);
  for (int y = 0; y < 25; ++y) model.putText(0, y, std::string(79, static_cast<char>('A' + y)));
  model.setCursorPosition(Coord{10, 12});
  std::string frame;
  renderer.render(model, model.takeChanges(), frame);
  term.feed(frame);

  // One character elsewhere: a move there, the character, a move back.
  model.putText(40, 3, "x");
  frame.clear();
  renderer.render(model, model.takeChanges(), frame);
  term.feed(frame);
  EXPECT_LE(frame.size(), 20u) << ::testing::PrintToString(frame);
  expectShows(term, model, "one cell");

  // Echo of a typed character: the character alone.
  model.putText(10, 12, "y");
  model.setCursorPosition(Coord{11, 12});
  frame.clear();
  renderer.render(model, model.takeChanges(), frame);
  term.feed(frame);
  EXPECT_EQ(frame, "y");

  // Hiding the cursor waits until the program waits; hidden and shown
  // again before that, it costs nothing.
  model.setCursorInfo(CursorInfo{25, false});
  frame.clear();
  renderer.render(model, model.takeChanges(), frame);
  EXPECT_EQ(frame, "");
  model.setCursorInfo(CursorInfo{25, true});
  renderer.render(model, model.takeChanges(), frame);
  renderer.settleCursor(model, frame);
  EXPECT_EQ(frame, "");
  model.setCursorInfo(CursorInfo{25, false});
  renderer.render(model, model.takeChanges(), frame);
  renderer.settleCursor(model, frame);
  EXPECT_EQ(frame, "\x1b[?25l");

  // A cleared row: a move and one erase.
  model.setCursorInfo(CursorInfo{25, true});
  std::uint32_t written = 0;
  model.fillCharacter(' ', 80, Coord{0, 5}, written);
  frame.clear();
  renderer.render(model, model.takeChanges(), frame);
  term.feed(frame);
  EXPECT_LE(frame.size(), 30u) << ::testing::PrintToString(frame);
  expectShows(term, model, "cleared row");

  // Text, then an erase to the row's end: the cursor is left after the
  // text, not where the text began.
  model.putText(0, 8, "xy");
  model.fillCharacter(' ', 78, Coord{2, 8}, written);
  model.setCursorPosition(Coord{0, 8});
  frame.clear();
  renderer.render(model, model.takeChanges(), frame);
  term.feed(frame);
  expectShows(term, model, "erased tail");
}

TEST(PosixTerminalRenderer, TextThatScrollsLeavesItsRowsInTheScrollback) {
  DrawnConsole drawn(40, 10);
  ConsoleState console(drawn, drawn.screen);
  startConsole(console, 0, nullptr);
  clearScreen(console);
  std::vector<std::u32string> printed;
  for (int i = 0; i < 30; ++i) {
    const std::string line = "line " + std::to_string(i);
    printLine(console, line);
    printed.push_back(u32(line));
    ASSERT_NO_FATAL_FAILURE(expectShows(drawn.term, drawn.screen, line.c_str()));
    // Once the screen is full, each line end is a scroll, not a redraw.
    if (i >= 10) {
      EXPECT_LE(drawn.lastFrame.size(), 12u) << ::testing::PrintToString(drawn.lastFrame);
    }
  }
  // The scrollback then the screen hold every line, in order, once.
  std::vector<std::u32string> all = drawn.term.scrollback();
  for (int y = 0; y < 10; ++y) all.push_back(drawn.term.row(y, 40));
  while (!all.empty() && all.back().empty()) all.pop_back();
  EXPECT_EQ(all, printed);
}

TEST(PosixTerminalRenderer, ShellLinesGoToTheScrollbackBeforeTheFirstDraw) {
  TestScreen model(30, 6);
  TerminalRenderer renderer(30, 6);
  VirtualTerminal term(30, 6);
  term.feed("$ one\r\n$ two\r\n$ maze\r\n");
  model.putText(0, 0, "Choose");
  model.setCursorPosition(Coord{6, 0});
  std::string frame = renderer.pushIntoScrollback(3);
  renderer.render(model, model.takeChanges(), frame);
  term.feed(frame);
  EXPECT_EQ(term.scrollback(), (std::vector<std::u32string>{U"$ one", U"$ two", U"$ maze"}));
  expectShows(term, model, "first draw");
}

TEST(PosixTerminalRenderer, CodePageGlyphsAndColours) {
  TestScreen model(20, 3);
  TerminalRenderer renderer(20, 3);
  VirtualTerminal term(20, 3);
  const CharCell cells[] = {{0, 7},       {1, 7},    {0x7F, 7}, {0xB0, 0x1E},
                            {0x82, 0x4F}, {0xE1, 7}, {0xFF, 7}, {'A', 0x70}};
  SmallRect target{0, 1, 19, 1};
  model.writeCells(cells, Coord{8, 1}, Coord{0, 0}, target);
  std::string frame;
  renderer.render(model, model.takeChanges(), frame);
  term.feed(frame);
  expectShows(term, model, "glyphs");
  EXPECT_EQ(term.row(1, 20), U" \u263A\u2302\u2591\u00E9\u00DF\u00A0A");
}

TEST(PosixTerminalRenderer, LeavingShowsTheCursorWithDefaultColours) {
  TestScreen model(20, 5);
  TerminalRenderer renderer(20, 5);
  VirtualTerminal term(20, 5);
  const CharCell coloured{'x', 0x1E};
  SmallRect target{0, 2, 0, 2};
  model.writeCells(&coloured, Coord{1, 1}, Coord{0, 0}, target);
  model.setCursorPosition(Coord{4, 3});
  model.setCursorInfo(CursorInfo{25, false});
  std::string frame;
  renderer.render(model, model.takeChanges(), frame);
  renderer.leave(model, frame);
  term.feed(frame);
  EXPECT_TRUE(term.cursorVisible());
  EXPECT_EQ(term.cursor().col, 4);
  EXPECT_EQ(term.cursor().row, 3);
  term.feed("$");  // the shell's prompt
  const VTermScreenCell prompt = term.cell(4, 3);
  EXPECT_TRUE(VTERM_COLOR_IS_DEFAULT_FG(&prompt.fg));
}

TEST(PosixTerminalRenderer, ResizeDrawsEverythingAgain) {
  TestScreen model(30, 8);
  TerminalRenderer renderer(30, 8);
  VirtualTerminal term(30, 8);
  model.putText(0, 0, "first row");
  model.putText(0, 7, "last row");
  std::string frame;
  renderer.render(model, model.takeChanges(), frame);
  term.feed(frame);
  for (const auto& [columns, rows] : {std::pair{12, 3}, std::pair{1, 1}, std::pair{50, 20}}) {
    model.resizeBuffer(columns, rows);
    model.setWindow(SmallRect{0, 0, static_cast<std::int16_t>(columns - 1),
                              static_cast<std::int16_t>(rows - 1)});
    renderer.resize(columns, rows);
    term.resize(columns, rows);
    frame.clear();
    renderer.render(model, model.takeChanges(), frame);
    term.feed(frame);
    ASSERT_NO_FATAL_FAILURE(expectShows(term, model, "resized"));
  }
}

}  // namespace
}  // namespace maze
