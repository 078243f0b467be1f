#include <gtest/gtest.h>

#include "support/test_console.hpp"

namespace maze {
namespace {

TEST(StartConsole, AddsProcessedInputAndSetsRoundingToNearest) {
  TestHost host;
  TestScreen screen;
  ConsoleState console(host, screen);
  ASSERT_TRUE(host.setInputMode(0x6));
  startConsole(console, 0, nullptr);
  EXPECT_EQ(host.inputMode(), 0x7u);
  EXPECT_EQ(host.fpControl() & (kFpPrecisionMask | kFpRoundingMask), 0u);
  EXPECT_FALSE(console.firstUseDone);  // the window is read at the first use
}

// The whole buffer width is blanked, even where the window is narrower.
TEST(ClearScreen, DefaultModeBlanksThePrintRegionOnlyAndHomesTheCursor) {
  TestConsole f(30, 30, 10);  // window over rows 10..19 of a taller buffer
  f.fillWith('x');
  f.screen.setWindow({0, 10, 19, 19});
  f.screen.setAttribute(0x1E);
  clearScreen(f.console);
  const std::string xs(30, 'x');
  EXPECT_EQ(f.screen.text(9, 20), xs + std::string(11, '\n') + xs);
  for (int y = 10; y <= 19; ++y) EXPECT_EQ(f.screen.cell(29, y).attr, 0x1E) << "row " << y;
  EXPECT_EQ(f.screen.window().top, 10);
  EXPECT_EQ(f.screen.cursorAt(), XY(0, 10));
}

TEST(ClearScreen, ModeOneChangesNothing) {
  TestConsole f(10, 5);
  f.fillWith('x');
  f.screen.placeCursor({3, 2});
  clearScreen(f.console, 1);
  EXPECT_EQ(f.screen.rowText(0), std::string(10, 'x'));
  EXPECT_EQ(f.screen.cursorAt(), XY(3, 2));
}

TEST(ClearScreen, RegionKeepsItsFirstHeightWhileOtherModesFollowTheWindow) {
  TestConsole f(10, 20, 8);
  clearScreen(f.console);  // first use: the region is 8 rows
  f.fillWith('x');
  f.screen.setWindow({0, 0, 9, 3});  // the user shrinks the window to 4 rows
  finishPendingLineFeed(f.console);  // output reads the window again
  clearScreen(f.console, 0);
  EXPECT_EQ(f.screen.text(3, 4), "\n" + std::string(10, 'x'));
  clearScreen(f.console, 2);
  EXPECT_EQ(f.screen.text(7, 8), "\n" + std::string(10, 'x'));
}

TEST(MoveCursor, PlacesTheCursorWithinTheWindowAndReportsThePacked) {
  TestConsole f(80, 50, 25);
  f.screen.setWindow({0, 5, 79, 29});
  std::uint32_t packed = 0;
  EXPECT_EQ(moveCursor(f.console, 3, 7, -1, &packed), 0);
  EXPECT_EQ(f.screen.cursorAt(), XY(6, 7));
  EXPECT_EQ(packed, 0x10307u);  // visible before, row 3, column 7
  const CursorPosition position = cursorPosition(f.console);
  EXPECT_EQ(XY(position.column, position.row), XY(7, 3));
}

TEST(MoveCursor, ZeroKeepsTheCurrentRowOrColumnAndVisibilityCanBeChanged) {
  TestConsole f(80, 25);
  moveCursor(f.console, 4, 9, -1);
  std::uint32_t packed = 0;
  EXPECT_EQ(moveCursor(f.console, 0, 0, 0, &packed), 0);
  EXPECT_FALSE(f.screen.cursorVisible());
  EXPECT_EQ(f.screen.cursorAt(), XY(8, 3));
  EXPECT_EQ(packed, 0x10409u);  // visible before, row 4, column 9
  EXPECT_EQ(moveCursor(f.console, 0, 2, 5, &packed), 0);
  EXPECT_TRUE(f.screen.cursorVisible());
  EXPECT_EQ(packed, 0x00402u);  // hidden before this call
  EXPECT_EQ(f.screen.cursorAt(), XY(1, 3));
}

TEST(MoveCursor, RefusesPositionsOutsideTheRegionAndChangesNothing) {
  TestConsole f(80, 25);
  f.screen.placeCursor({0, 24});
  printText(f.console, std::string(80, 'z'));
  ASSERT_TRUE(f.console.pendingLineFeed);
  std::uint32_t packed = 99;
  EXPECT_EQ(moveCursor(f.console, 26, 1, 0, &packed), 1);
  EXPECT_EQ(packed, 0u);
  for (const auto& [row, column] : {XY(1, 81), XY(-1, 1), XY(1, -3)}) {
    EXPECT_EQ(moveCursor(f.console, row, column, 0), 1) << row << "," << column;
  }
  EXPECT_TRUE(f.screen.cursorVisible());
  EXPECT_TRUE(f.console.pendingLineFeed);
  EXPECT_EQ(moveCursor(f.console, 25, 80, -1), 0);  // the last row and column
  EXPECT_FALSE(f.console.pendingLineFeed);          // a successful move drops it
}

TEST(CursorPosition, UsesTheStoredWindowAndRawCoordinatesWithoutAWindow) {
  TestConsole f(80, 50, 25);
  f.screen.setWindow({0, 10, 79, 34});
  f.screen.placeCursor({4, 12});
  const CursorPosition inWindow = cursorPosition(f.console);
  EXPECT_EQ(XY(inWindow.column, inWindow.row), XY(5, 3));

  TestConsole stream;
  stream.screen.isConsole = false;
  const CursorPosition none = cursorPosition(stream.console);
  EXPECT_EQ(XY(none.column, none.row), XY(0, 0));
  EXPECT_EQ(moveCursor(stream.console, 1, 80, 1), 0);
  EXPECT_EQ(moveCursor(stream.console, 1, 81, 1), 1);
  EXPECT_EQ(moveCursor(stream.console, 26, 1, 1), 1);  // the region is 25 rows

  // A window one row high or one column wide is no window either.
  TestConsole flat(80, 25, 1);
  flat.screen.setWindow({0, 10, 79, 10});
  TestConsole thin(1, 25);
  for (TestConsole* f : {&flat, &thin}) {
    f->screen.placeCursor({0, 12});
    const CursorPosition raw = cursorPosition(f->console);
    EXPECT_EQ(XY(raw.column, raw.row), XY(0, 12));
  }
}

}  // namespace
}  // namespace maze
