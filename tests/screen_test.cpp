#include <gtest/gtest.h>

#include "console/output.hpp"
#include "console_fixture.hpp"

namespace maze {
namespace {

using testing::ModelFixture;

void fillWith(TestScreen& screen, char ch) {
  for (int y = 0; y < screen.height(); ++y) screen.putText(0, y, std::string(screen.width(), ch));
}

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

TEST(ClearScreen, DefaultModeBlanksThePrintRegionOnlyAndHomesTheCursor) {
  ModelFixture f(20, 30, 10);  // window over rows 10..19 of a taller buffer
  fillWith(f.screen, 'x');
  f.screen.setWindow({0, 10, 19, 19});
  f.screen.setAttribute(0x1E);
  clearScreen(f.console);
  EXPECT_EQ(f.screen.rowText(9), std::string(20, 'x'));  // above the window
  for (int y = 10; y <= 19; ++y) {
    EXPECT_EQ(f.screen.rowText(y), "") << "row " << y;
    EXPECT_EQ(f.screen.cell(19, y).attr, 0x1E);
  }
  EXPECT_EQ(f.screen.rowText(20), std::string(20, 'x'));  // below the window
  EXPECT_EQ(f.screen.window().top, 10);
  EXPECT_EQ(f.screen.cursor().x, 0);
  EXPECT_EQ(f.screen.cursor().y, 10);
}

TEST(ClearScreen, BlanksTheBufferWidthEvenWhenTheWindowIsNarrower) {
  ModelFixture f(30, 5);
  fillWith(f.screen, 'x');
  f.screen.setWindow({0, 0, 9, 4});
  clearScreen(f.console);
  EXPECT_EQ(f.screen.rowText(0), "");
  EXPECT_EQ(f.screen.rowText(4), "");
}

TEST(ClearScreen, ModeOneChangesNothing) {
  ModelFixture f(10, 5);
  fillWith(f.screen, 'x');
  f.screen.placeCursor({3, 2});
  clearScreen(f.console, 1);
  EXPECT_EQ(f.screen.rowText(0), std::string(10, 'x'));
  EXPECT_EQ(f.screen.cursor().x, 3);
  EXPECT_EQ(f.screen.cursor().y, 2);
}

TEST(ClearScreen, RegionKeepsItsFirstHeightWhileOtherModesFollowTheWindow) {
  ModelFixture f(10, 20, 8);
  clearScreen(f.console);  // first use: the region is 8 rows
  fillWith(f.screen, 'x');
  f.screen.setWindow({0, 0, 9, 3});  // the user shrinks the window to 4 rows
  finishPendingLineFeed(f.console);  // output reads the window again
  clearScreen(f.console, 0);
  EXPECT_EQ(f.screen.rowText(3), "");
  EXPECT_EQ(f.screen.rowText(4), std::string(10, 'x'));
  clearScreen(f.console, 2);
  EXPECT_EQ(f.screen.rowText(7), "");
  EXPECT_EQ(f.screen.rowText(8), std::string(10, 'x'));
}

TEST(ClearScreen, DropsADeferredLineFeed) {
  ModelFixture f(10, 3);
  f.screen.placeCursor({0, 2});
  printText(f.console, std::string(10, 'a'));
  ASSERT_TRUE(f.console.pendingLineFeed);
  clearScreen(f.console);
  EXPECT_FALSE(f.console.pendingLineFeed);
  printText(f.console, "b");
  EXPECT_EQ(f.screen.rowText(0), "b");
}

TEST(ClearScreen, WritesNothingInStreamMode) {
  ModelFixture f;
  f.screen.isConsole = false;
  clearScreen(f.console);
  printText(f.console, "x");
  clearScreen(f.console);
  EXPECT_EQ(f.host.streamOutput(), "x");
}

TEST(MoveCursor, PlacesTheCursorWithinTheWindowAndReportsThePacked) {
  ModelFixture f(80, 50, 25);
  f.screen.setWindow({0, 5, 79, 29});
  std::uint32_t packed = 0;
  EXPECT_EQ(moveCursor(f.console, 3, 7, -1, &packed), 0);
  EXPECT_EQ(f.screen.cursor().x, 6);
  EXPECT_EQ(f.screen.cursor().y, 7);
  EXPECT_EQ(packed, 7u | (3u << 8) | 0x10000u);
  const CursorPosition position = cursorPosition(f.console);
  EXPECT_EQ(position.column, 7);
  EXPECT_EQ(position.row, 3);
}

TEST(MoveCursor, ZeroKeepsTheCurrentRowOrColumnAndVisibilityCanBeChanged) {
  ModelFixture f(80, 25);
  moveCursor(f.console, 4, 9, -1);
  std::uint32_t packed = 0;
  EXPECT_EQ(moveCursor(f.console, 0, 0, 0, &packed), 0);
  EXPECT_FALSE(f.screen.cursorVisible());
  EXPECT_EQ(f.screen.cursor().x, 8);
  EXPECT_EQ(f.screen.cursor().y, 3);
  EXPECT_EQ(packed, 9u | (4u << 8) | 0x10000u);
  EXPECT_EQ(moveCursor(f.console, 0, 2, 5, &packed), 0);
  EXPECT_TRUE(f.screen.cursorVisible());
  EXPECT_EQ(packed & 0x10000u, 0u);  // it was hidden before this call
  EXPECT_EQ(f.screen.cursor().x, 1);
}

TEST(MoveCursor, RefusesPositionsOutsideTheRegionAndChangesNothing) {
  ModelFixture f(80, 25);
  f.screen.placeCursor({0, 24});
  printText(f.console, std::string(80, 'z'));
  ASSERT_TRUE(f.console.pendingLineFeed);
  std::uint32_t packed = 99;
  EXPECT_EQ(moveCursor(f.console, 26, 1, 0, &packed), 1);
  EXPECT_EQ(packed, 0u);
  EXPECT_EQ(moveCursor(f.console, 1, 81, 0), 1);
  EXPECT_EQ(moveCursor(f.console, -1, 1, 0), 1);
  EXPECT_EQ(moveCursor(f.console, 1, -3, 0), 1);
  EXPECT_TRUE(f.screen.cursorVisible());
  EXPECT_TRUE(f.console.pendingLineFeed);
  EXPECT_EQ(moveCursor(f.console, 25, 80, -1), 0);
  EXPECT_FALSE(f.console.pendingLineFeed);  // a successful move drops it
}

TEST(CursorPosition, UsesTheStoredWindowAndRawCoordinatesWithoutAWindow) {
  ModelFixture f(80, 50, 25);
  f.screen.setWindow({0, 10, 79, 34});
  f.screen.placeCursor({4, 12});
  const CursorPosition inWindow = cursorPosition(f.console);
  EXPECT_EQ(inWindow.column, 5);
  EXPECT_EQ(inWindow.row, 3);

  ModelFixture stream;
  stream.screen.isConsole = false;
  const CursorPosition none = cursorPosition(stream.console);
  EXPECT_EQ(none.column, 0);
  EXPECT_EQ(none.row, 0);
  EXPECT_EQ(moveCursor(stream.console, 1, 80, 1), 0);
  EXPECT_EQ(moveCursor(stream.console, 1, 81, 1), 1);
  EXPECT_EQ(moveCursor(stream.console, 26, 1, 1), 1);  // the region is 25 rows

  // A window one row high or one column wide is no window either.
  ModelFixture flat(80, 25, 1);
  flat.screen.setWindow({0, 10, 79, 10});
  ModelFixture thin(1, 25);
  for (ModelFixture* f : {&flat, &thin}) {
    f->screen.placeCursor({0, 12});
    const CursorPosition raw = cursorPosition(f->console);
    EXPECT_EQ(raw.column, 0);
    EXPECT_EQ(raw.row, 12);
  }
}

}  // namespace
}  // namespace maze
