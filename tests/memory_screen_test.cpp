#include <gtest/gtest.h>

#include <string>

#include "platform/handler_lists.hpp"
#include "support/test_screen.hpp"

namespace maze {
namespace {

std::vector<CharCell> cellsOf(const std::string& text) {
  std::vector<CharCell> cells;
  for (unsigned char ch : text) cells.push_back({ch, 7});
  return cells;
}

TEST(ScreenFill, RunsOnIntoTheNextRowsAndStopsAtTheBufferEnd) {
  TestScreen screen(4, 3);
  std::uint32_t written = 0;
  ASSERT_TRUE(screen.fillCharacter('x', 6, {2, 0}, written));
  EXPECT_EQ(written, 6u);
  ASSERT_TRUE(screen.fillCharacter('y', 100, {3, 2}, written));
  EXPECT_EQ(written, 1u);
  EXPECT_EQ(screen.text(), "  xx\nxxxx\n   y");
  EXPECT_EQ(XY(screen.changes().firstRow, screen.changes().lastRow), XY(0, 2));
  screen.takeChanges();
  ASSERT_TRUE(screen.fillAttribute(0x42, 3, {0, 1}, written));
  EXPECT_TRUE(screen.changes().touches(1));
  EXPECT_FALSE(screen.changes().touches(0) || screen.changes().touches(2));
  EXPECT_EQ(screen.cell(2, 1), (CharCell{'x', 0x42}));  // characters stay
  EXPECT_EQ(screen.cell(3, 1).attr, 7);
}

TEST(ScreenFill, OutsideTheBufferSucceedsWithNothingWritten) {
  TestScreen screen(4, 3);
  const std::pair<Coord, std::uint32_t> fills[] = {{{0, 3}, 5}, {{0, -1}, 5}, {{0, 0}, 0}};
  for (const auto& [start, length] : fills) {
    std::uint32_t written = 9;
    EXPECT_TRUE(screen.fillCharacter('x', length, start, written));
    EXPECT_EQ(written, 0u);
  }
  // A column past the row's end starts at the linear offset it names.
  std::uint32_t written = 0;
  EXPECT_TRUE(screen.fillCharacter('z', 1, {5, 0}, written));
  EXPECT_EQ(screen.text(), "\n z\n");
}

TEST(ScreenWriteCells, ClipsToTheSourceAndTheBufferAndLeavesTheCursor) {
  TestScreen screen(5, 3);
  const auto cells = cellsOf("abcdef");
  SmallRect target{3, 1, 10, 1};
  ASSERT_TRUE(screen.writeCells(cells.data(), {6, 1}, {0, 0}, target));
  EXPECT_EQ(screen.rowText(1), "   ab");
  EXPECT_EQ(target, (SmallRect{3, 1, 4, 1}));
  EXPECT_EQ(screen.cursor().x, 0);

  target = {0, 2, 4, 2};
  ASSERT_TRUE(screen.writeCells(cells.data(), {6, 1}, {4, 0}, target));
  EXPECT_EQ(screen.rowText(2), "ef");  // only what the source has left
  EXPECT_EQ(target.right, 1);
}

TEST(ScreenWriteCells, RejectsInvertedRectanglesAndOriginsOutsideTheSource) {
  TestScreen screen(5, 3);
  const auto cells = cellsOf("ab");
  SmallRect inverted{3, 0, 2, 0};
  EXPECT_FALSE(screen.writeCells(cells.data(), {2, 1}, {0, 0}, inverted));
  SmallRect target{0, 0, 1, 0};
  EXPECT_FALSE(screen.writeCells(cells.data(), {2, 1}, {2, 0}, target));
  SmallRect offBuffer{7, 0, 8, 0};
  EXPECT_TRUE(screen.writeCells(cells.data(), {2, 1}, {0, 0}, offBuffer));
  EXPECT_EQ(screen.rowText(0), "");
}

TEST(ScreenScroll, MovesOverlappingCellsAndFillsWhatNothingCovers) {
  TestScreen screen(3, 4);
  for (int y = 0; y < 4; ++y) screen.putText(0, y, std::string(3, static_cast<char>('a' + y)));
  ASSERT_TRUE(screen.scrollRect({0, 1, 2, 3}, nullptr, {0, 0}, {'.', 9}));
  EXPECT_EQ(screen.text(), "bbb\nccc\nddd\n...");
  EXPECT_EQ(screen.cell(0, 3).attr, 9);
  // The whole buffer moving up is recorded as such, not as rows to draw.
  EXPECT_EQ(screen.takeChanges().rowsScrolledUp, 1);

  // Downwards, overlapping, inside a clip rectangle.
  const SmallRect clip{0, 0, 1, 3};
  ASSERT_TRUE(screen.scrollRect({0, 0, 2, 1}, &clip, {0, 1}, {'#', 7}));
  EXPECT_EQ(screen.text(0, 2), "##b\nbbc\nccd");  // the third column is outside the clip
  EXPECT_EQ(screen.changes().rowsScrolledUp, 0);
  EXPECT_EQ(XY(screen.changes().firstRow, screen.changes().lastRow), XY(0, 2));
}

// Whole-buffer scrolls between two looks add up, to the buffer's height at
// most; a resize is recorded until it is taken.
TEST(ScreenChanges, ScrollsAddUpAndAResizeIsRecorded) {
  TestScreen screen(3, 4);
  const CharCell fill{' ', 7};
  ASSERT_TRUE(screen.scrollRect({0, 1, 2, 3}, nullptr, {0, 0}, fill));
  ASSERT_TRUE(screen.scrollRect({0, 2, 2, 3}, nullptr, {0, 0}, fill));
  EXPECT_EQ(screen.takeChanges().rowsScrolledUp, 3);
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(screen.scrollRect({0, 3, 2, 3}, nullptr, {0, 0}, fill));
  EXPECT_EQ(screen.takeChanges().rowsScrolledUp, 4);
  EXPECT_FALSE(screen.changes().resized);
  screen.resizeBuffer(5, 6);
  EXPECT_TRUE(screen.takeChanges().resized);
  EXPECT_FALSE(screen.takeChanges().resized);
}

TEST(ScreenScroll, ClipsTheSourceToTheBuffer) {
  TestScreen screen(3, 3);
  screen.putText(0, 2, "xyz");
  ASSERT_TRUE(screen.scrollRect({-2, 2, 2, 5}, nullptr, {-2, 0}, {' ', 7}));
  EXPECT_EQ(screen.text(), "xyz\n\n");
  EXPECT_TRUE(screen.scrollRect({5, 5, 6, 6}, nullptr, {0, 0}, {' ', 7}));
}

TEST(ScreenCursor, RefusesPositionsOutsideTheBufferAndBringsTheWindowToIt) {
  TestScreen screen(10, 20, 5);
  for (const Coord outside : {Coord{10, 0}, Coord{0, 20}, Coord{-1, 0}}) {
    EXPECT_FALSE(screen.setCursorPosition(outside));
  }
  ASSERT_TRUE(screen.setCursorPosition({9, 12}));
  EXPECT_EQ(screen.window(), (SmallRect{0, 8, 9, 12}));
  ASSERT_TRUE(screen.setCursorPosition({0, 3}));
  EXPECT_EQ(screen.window().top, 3);
}

TEST(ScreenCursor, InfoSizeMustLieBetweenOneAndAHundred) {
  TestScreen screen;
  EXPECT_FALSE(screen.setCursorInfo({0, false}));
  EXPECT_FALSE(screen.setCursorInfo({101, false}));
  EXPECT_TRUE(screen.cursorVisible());
  EXPECT_TRUE(screen.setCursorInfo({100, false}));
  EXPECT_FALSE(screen.cursorVisible());
}

TEST(ScreenWindow, MovesOnlyWithinTheBuffer) {
  TestScreen screen(10, 20, 5);
  EXPECT_TRUE(screen.setWindowInfo(true, {0, 15, 9, 19}));
  EXPECT_FALSE(screen.setWindowInfo(true, {0, 16, 9, 20}));
  EXPECT_FALSE(screen.setWindowInfo(true, {0, 5, 9, 4}));
  EXPECT_TRUE(screen.setWindowInfo(false, {0, -3, 0, -3}));
  EXPECT_EQ(screen.window().top, 12);
  EXPECT_FALSE(screen.setWindowInfo(false, {0, 0, 1, 0}));
}

bool firstHandler(std::uint32_t) { return false; }
bool secondHandler(std::uint32_t event) { return event == kCtrlCloseEvent; }

TEST(CtrlHandlers, RunNewestFirstAndUnknownOnesCannotBeRemoved) {
  CtrlHandlerList handlers;
  EXPECT_FALSE(handlers.set(firstHandler, false));
  handlers.set(firstHandler, true);
  handlers.set(secondHandler, true);
  EXPECT_TRUE(handlers.raise(kCtrlCloseEvent));
  EXPECT_FALSE(handlers.raise(kCtrlCEvent));
  EXPECT_TRUE(handlers.set(secondHandler, false));
  EXPECT_FALSE(handlers.raise(kCtrlCloseEvent));
}

std::string g_exitRuns;

// Each runs once, newest first, however often the list is run.
TEST(ExitHandlers, RunOnceNewestFirst) {
  ExitHandlerList handlers;
  g_exitRuns.clear();
  handlers.add([] { g_exitRuns += "1"; });
  handlers.add([] { g_exitRuns += "2"; });
  handlers.runNewestFirst();
  handlers.runNewestFirst();
  EXPECT_EQ(g_exitRuns, "21");
}

}  // namespace
}  // namespace maze
