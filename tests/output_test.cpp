#include "console/output.hpp"

#include <gtest/gtest.h>

#include "support/test_console.hpp"

namespace maze {
namespace {

TEST(ConsoleWrite, WritesAtTheCursorWithTheCurrentAttribute) {
  TestConsole f(20, 5);
  f.screen.setAttribute(0x2F);
  f.write("Hello");
  EXPECT_EQ(f.screen.rowText(0), "Hello");
  EXPECT_EQ(f.screen.cell(4, 0).attr, 0x2F);
  EXPECT_EQ(f.screen.cursorAt(), XY(5, 0));
  EXPECT_EQ(f.host.flushCount(), 1u);
  // Up to the last column the text stays on its row; the wrap comes after it.
  f.write(std::string(14, '.'));
  EXPECT_EQ(f.screen.cursorAt(), XY(19, 0));
  f.write("!");
  EXPECT_EQ(f.screen.cell(19, 0).ch, '!');
  EXPECT_EQ(f.screen.cursorAt(), XY(0, 1));
}

TEST(ConsoleWrite, WrapsAtTheBufferWidthAcrossManyBatches) {
  TestConsole f(10, 100);
  std::string text;
  for (int i = 0; i < 600; ++i) text.push_back(static_cast<char>('a' + i % 26));
  f.write(text);
  EXPECT_EQ(f.screen.rowText(0), text.substr(0, 10));
  EXPECT_EQ(f.screen.rowText(59), text.substr(590, 10));
  EXPECT_EQ(f.screen.cursorAt(), XY(0, 60));
}

TEST(ConsoleWrite, FillingTheBottomRowDefersTheLineFeed) {
  TestConsole f(10, 3);
  f.numberRows();
  f.screen.placeCursor({4, 1});
  finishPendingLineFeed(f.console);  // none is deferred: nothing happens
  EXPECT_EQ(f.screen.cursorAt(), XY(4, 1));
  f.screen.placeCursor({0, 2});
  f.write("0123456789");
  EXPECT_EQ(f.screen.text(), "row0\nrow1\n0123456789");  // nothing scrolled
  EXPECT_EQ(f.screen.cursorAt(), XY(9, 2));
  EXPECT_TRUE(f.console.pendingLineFeed);
  f.write("x");  // now the deferred scroll happens first
  EXPECT_EQ(f.screen.text(), "row1\n0123456789\nx");
  EXPECT_FALSE(f.console.pendingLineFeed);
  f.write(std::string(9, 'y'));
  finishPendingLineFeed(f.console);
  EXPECT_EQ(f.screen.text(), "0123456789\nxyyyyyyyyy\n");
  EXPECT_EQ(f.screen.cursorAt(), XY(0, 2));
}

TEST(ConsoleWrite, AMoveOrClearDropsTheDeferredLineFeed) {
  for (const bool clear : {false, true}) {
    TestConsole f(10, 3);
    f.screen.placeCursor({0, 2});
    f.write("0123456789");
    ASSERT_TRUE(f.console.pendingLineFeed);
    if (clear) {
      clearScreen(f.console);
    } else {
      ASSERT_EQ(moveCursor(f.console, 1, 1, -1), 0);
    }
    EXPECT_FALSE(f.console.pendingLineFeed);
    f.write("y");
    EXPECT_EQ(f.screen.text(), clear ? "y\n\n" : "y\n\n0123456789") << clear;
  }
}

// Measured from where the deferred line feed puts the cursor, not from the
// full row before it.
TEST(ConsoleWrite, TabAndBackspaceAfterADeferredLineFeed) {
  const std::pair<const char*, const char*> writesAndRows[] = {
      {"\tZ", "        Z"}, {"x\b\bZ", "Z"}};  // the second BS is at the left column
  for (const auto& [text, row] : writesAndRows) {
    TestConsole f(20, 3);
    f.screen.placeCursor({0, 2});
    f.write(std::string(20, 'a'));
    f.write(text);
    EXPECT_EQ(f.screen.rowText(2), row);
  }
}

// Unlike a full row, a line end on the bottom row scrolls at once; after a
// full row that wrapped, it leaves an empty row.
TEST(ConsoleWrite, LineEndsOnTheBottomRowScrollAtOnce) {
  const struct {
    int height;
    Coord from;
    std::string text, shown;
  } cases[] = {
      {3, {4, 2}, "\r\n", "row1\nrow2\n"},
      {5, {0, 4}, "\n\n\n", "row3\nrow4\n\n\n"},                    // several scroll together
      {5, {0, 4}, std::string(7, '\n'), "\n\n\n\n"},                // more than the rows: all blank
      {4, {8, 3}, formatInteger(7, true), "row2\nrow3     7\n\n"},  // a wrap leaves a row
  };
  for (const auto& c : cases) {
    TestConsole f(10, c.height);
    f.numberRows();
    f.screen.placeCursor(c.from);
    f.write(c.text);
    EXPECT_EQ(f.screen.text(), c.shown) << ::testing::PrintToString(c.text);
    EXPECT_EQ(f.screen.cursorAt(), XY(0, c.height - 1));
    EXPECT_FALSE(f.console.pendingLineFeed);
  }
}

TEST(ConsoleWrite, LineOfExactlyTheWidthLeavesAnEmptyRow) {
  TestConsole f(10, 5);
  printLine(f.console, "0123456789");
  f.write("next");
  EXPECT_EQ(f.screen.text(), "0123456789\n\nnext\n\n");
}

TEST(ConsoleWrite, TabAdvancesToTheNextMultipleOfEight) {
  const struct {
    int width, column, blanks;
  } tabs[] = {{80, 0, 8}, {80, 5, 3}, {80, 8, 8}, {80, 79, 1}, {20, 18, 6}};
  for (const auto& c : tabs) {
    TestConsole f(c.width, 5);
    f.fillWith('.');
    f.screen.placeCursor({static_cast<std::int16_t>(c.column), 0});
    f.write("\t|");
    std::string cells(2 * c.width, '.');
    cells.replace(c.column, c.blanks, c.blanks, ' ');
    cells[c.column + c.blanks] = '|';
    EXPECT_EQ(f.screen.rowText(0, true) + f.screen.rowText(1, true), cells)
        << "tab at " << c.column;
  }
}

TEST(ConsoleWrite, BackspaceMovesLeftWithoutErasingAndNeverLeavesTheRow) {
  TestConsole f(10, 3);
  f.write("\b");
  EXPECT_EQ(f.screen.cursorAt(), XY(0, 0));
  f.write("abc\b\bX");
  EXPECT_EQ(f.screen.rowText(0), "aXc");
  EXPECT_EQ(f.screen.cursorAt(), XY(2, 0));
  f.screen.placeCursor({0, 1});
  f.write("\b\b");
  EXPECT_EQ(f.screen.cursorAt(), XY(0, 1));
}

TEST(ConsoleWrite, BellSoundsBeforeTheWaitingTextIsWritten) {
  TestConsole f(10, 3);
  std::string atBeep;
  f.host.onBeep = [&] { atBeep = f.screen.rowText(0); };
  f.write("AB\aC");
  ASSERT_EQ(f.host.beeps().size(), 1u);
  EXPECT_EQ(f.host.beeps()[0].frequency, 1000u);
  EXPECT_EQ(f.host.beeps()[0].durationMs, 250u);
  EXPECT_EQ(atBeep, "");
  EXPECT_EQ(f.screen.rowText(0), "ABC");
}

TEST(ConsoleWrite, OtherControlBytesAreOrdinaryCharacters) {
  TestConsole f(40, 3);
  std::string bytes;
  for (char b = 0; b < 32; ++b) {
    if (b != 7 && b != 8 && b != 9 && b != 10 && b != 13) bytes.push_back(b);
  }
  f.write(bytes);
  EXPECT_EQ(f.screen.rowText(0, true).substr(0, bytes.size()), bytes);
  EXPECT_EQ(f.screen.cursorAt(), XY(static_cast<int>(bytes.size()), 0));
}

TEST(ConsoleWrite, WindowFollowsTheOutputDownATallerBuffer) {
  TestConsole f(10, 6, 3);
  f.numberRows();
  f.screen.placeCursor({0, 2});
  f.write("\r\n");
  EXPECT_EQ(f.screen.window(), (SmallRect{0, 1, 9, 3}));
  EXPECT_EQ(f.screen.text(), "row0\nrow1\nrow2\nrow3\nrow4\nrow5");  // nothing scrolled
  EXPECT_EQ(f.screen.cursorAt(), XY(0, 3));
  f.write("\n\n\n\n");  // two more rows of room, then the buffer moves
  EXPECT_EQ(f.screen.window(), (SmallRect{0, 3, 9, 5}));
  EXPECT_EQ(f.screen.text(), "row2\nrow3\nrow4\nrow5\n\n");
  EXPECT_EQ(f.screen.cursorAt(), XY(0, 5));
  EXPECT_EQ(f.console.windowRect.top, 3);  // read again at the end of the call
}

TEST(ConsoleWrite, AfterTheWindowHeightChangesOutputScrollsInsideTheFirstHeight) {
  TestConsole f(10, 10, 4);
  finishPendingLineFeed(f.console);  // first use: the region is 4 rows
  f.numberRows();
  f.screen.setWindow({0, 2, 9, 3});  // the user shrinks the window to 2 rows
  readWindowRect(f.console);
  f.screen.placeCursor({0, 5});  // the region's bottom: window top 2 + 4 - 1
  f.write("\r\n");
  // Rows 1 and 6 lie outside the region.
  EXPECT_EQ(f.screen.text(1, 6), "row1\nrow3\nrow4\nrow5\n\nrow6");
  // No window move is asked for; only placing the cursor brings it into view.
  EXPECT_EQ(f.screen.window(), (SmallRect{0, 4, 9, 5}));
}

// Scrolled inside the print region by as many rows as it has, or more, the
// region is blank and the rows below it stay.
TEST(ConsoleWrite, ScrollingAShortRegionByItsHeightBlanksIt) {
  for (const int feeds : {4, 5}) {
    TestConsole f(10, 10, 4);
    finishPendingLineFeed(f.console);  // first use: the region is 4 rows
    f.numberRows();
    f.screen.setWindow({0, 0, 9, 5});  // the user makes the window 6 rows tall
    readWindowRect(f.console);
    f.screen.placeCursor({0, 3});
    f.write(std::string(static_cast<std::size_t>(feeds), '\n'));
    EXPECT_EQ(f.screen.text(0, 5), "\n\n\n\nrow4\nrow5") << feeds;
    EXPECT_EQ(f.screen.cursorAt(), XY(0, 3)) << feeds;
  }
}

// A failed cell write loses the rest of its batch only; a failed state
// query writes from the region's corner with the default attribute.
TEST(ConsoleWrite, FailedCallsLoseOnlyWhatTheyConcern) {
  TestConsole f(10, 3);
  f.screen.placeCursor({5, 1});
  f.screen.setAttribute(0x1E);
  finishPendingLineFeed(f.console);  // first use
  f.screen.failWriteCellsCalls = 1;
  f.write("abc\rxy");
  EXPECT_EQ(f.screen.rowText(1), "xy");
  EXPECT_EQ(f.screen.cursorAt(), XY(2, 1));
  f.screen.failInfoCalls = 1;
  f.write("q");
  EXPECT_EQ(f.screen.cell(0, 0), (CharCell{'q', 7}));
}

// Every byte goes out unchanged, and a clear writes nothing.
TEST(StreamMode, WritesEveryByteUnchanged) {
  TestConsole f;
  f.screen.isConsole = false;
  clearScreen(f.console);
  printLine(f.console, "Hi\a\b\t");
  clearScreen(f.console);
  printInteger(f.console, -12, true);
  printText(f.console, "");
  finishPendingLineFeed(f.console);
  EXPECT_EQ(f.host.streamOutput(), "Hi\a\b\t\r\n-12\r\n");
  EXPECT_TRUE(f.host.beeps().empty());
}

TEST(StreamMode, PartialWritesAreRetriedAndStuckWritesGiveUp) {
  TestConsole f;
  f.screen.isConsole = false;
  f.host.writeLimit = 3;
  printText(f.console, "0123456789");
  EXPECT_EQ(f.host.streamOutput(), "0123456789");
  f.host.writeLimit = 0;  // success, but nothing taken: must not spin
  printText(f.console, "lost");
  f.host.writeLimit = -1;
  f.host.failWriteCalls = 1;
  printText(f.console, "also lost");
  printText(f.console, "!");
  EXPECT_EQ(f.host.streamOutput(), "0123456789!");
}

}  // namespace
}  // namespace maze
