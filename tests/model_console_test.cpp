#include "platform/model/model_console.hpp"

#include <gtest/gtest.h>

#include <string>

namespace maze {
namespace {

constexpr Handle kOut = ModelConsole::kOutputHandle;

std::vector<CharCell> cellsOf(const std::string& text, std::uint16_t attr = 7) {
  std::vector<CharCell> cells;
  for (unsigned char ch : text) cells.push_back({ch, attr});
  return cells;
}

TEST(ModelFill, RunsOnIntoTheNextRowsAndStopsAtTheBufferEnd) {
  ModelConsole model(4, 3);
  std::uint32_t written = 0;
  ASSERT_TRUE(model.fillCharacter(kOut, 'x', 6, {2, 0}, written));
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(model.rowText(0), "  xx");
  EXPECT_EQ(model.rowText(1), "xxxx");
  ASSERT_TRUE(model.fillCharacter(kOut, 'y', 100, {3, 2}, written));
  EXPECT_EQ(written, 1u);
  ASSERT_TRUE(model.fillAttribute(kOut, 0x42, 3, {0, 1}, written));
  EXPECT_EQ(model.cell(2, 1).attr, 0x42);
  EXPECT_EQ(model.cell(2, 1).ch, 'x');  // characters stay
  EXPECT_EQ(model.cell(3, 1).attr, 7);
}

TEST(ModelFill, OutsideTheBufferSucceedsWithNothingWritten) {
  ModelConsole model(4, 3);
  std::uint32_t written = 9;
  EXPECT_TRUE(model.fillCharacter(kOut, 'x', 5, {0, 3}, written));
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(model.fillCharacter(kOut, 'x', 5, {0, -1}, written));
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(model.fillCharacter(kOut, 'x', 0, {0, 0}, written));
  EXPECT_EQ(written, 0u);
  // A column past the row's end starts at the linear offset it names.
  EXPECT_TRUE(model.fillCharacter(kOut, 'z', 1, {5, 0}, written));
  EXPECT_EQ(model.cell(1, 1).ch, 'z');
}

TEST(ModelWriteCells, ClipsToTheSourceAndTheBufferAndLeavesTheCursor) {
  ModelConsole model(5, 3);
  const auto cells = cellsOf("abcdef");
  SmallRect target{3, 1, 10, 1};
  ASSERT_TRUE(model.writeCells(kOut, cells.data(), {6, 1}, {0, 0}, target));
  EXPECT_EQ(model.rowText(1), "   ab");
  EXPECT_EQ(target.right, 4);
  EXPECT_EQ(target.bottom, 1);
  EXPECT_EQ(model.cursor().x, 0);

  target = {0, 2, 4, 2};
  ASSERT_TRUE(model.writeCells(kOut, cells.data(), {6, 1}, {4, 0}, target));
  EXPECT_EQ(model.rowText(2), "ef");  // only what the source has left
  EXPECT_EQ(target.right, 1);
}

TEST(ModelWriteCells, RejectsInvertedRectanglesAndOriginsOutsideTheSource) {
  ModelConsole model(5, 3);
  const auto cells = cellsOf("ab");
  SmallRect inverted{3, 0, 2, 0};
  EXPECT_FALSE(model.writeCells(kOut, cells.data(), {2, 1}, {0, 0}, inverted));
  SmallRect target{0, 0, 1, 0};
  EXPECT_FALSE(model.writeCells(kOut, cells.data(), {2, 1}, {2, 0}, target));
  SmallRect offBuffer{7, 0, 8, 0};
  EXPECT_TRUE(model.writeCells(kOut, cells.data(), {2, 1}, {0, 0}, offBuffer));
  EXPECT_EQ(model.rowText(0), "");
}

TEST(ModelScroll, MovesOverlappingCellsAndFillsWhatNothingCovers) {
  ModelConsole model(3, 4);
  for (int y = 0; y < 4; ++y) model.putText(0, y, std::string(3, static_cast<char>('a' + y)));
  ASSERT_TRUE(model.scrollRect(kOut, {0, 1, 2, 3}, nullptr, {0, 0}, {'.', 9}));
  EXPECT_EQ(model.rowText(0), "bbb");
  EXPECT_EQ(model.rowText(2), "ddd");
  EXPECT_EQ(model.rowText(3), "...");
  EXPECT_EQ(model.cell(0, 3).attr, 9);

  // Downwards, overlapping, inside a clip rectangle.
  const SmallRect clip{0, 0, 1, 3};
  ASSERT_TRUE(model.scrollRect(kOut, {0, 0, 2, 1}, &clip, {0, 1}, {'#', 7}));
  EXPECT_EQ(model.rowText(0), "##b");  // outside the clip: unchanged
  EXPECT_EQ(model.rowText(1), "bbc");
  EXPECT_EQ(model.rowText(2), "ccd");
}

TEST(ModelScroll, ClipsTheSourceToTheBuffer) {
  ModelConsole model(3, 3);
  model.putText(0, 2, "xyz");
  ASSERT_TRUE(model.scrollRect(kOut, {-2, 2, 2, 5}, nullptr, {-2, 0}, {' ', 7}));
  EXPECT_EQ(model.rowText(0), "xyz");
  EXPECT_EQ(model.rowText(2), "");
  EXPECT_TRUE(model.scrollRect(kOut, {5, 5, 6, 6}, nullptr, {0, 0}, {' ', 7}));
}

TEST(ModelCursor, RefusesPositionsOutsideTheBufferAndBringsTheWindowToIt) {
  ModelConsole model(10, 20, 5);
  EXPECT_FALSE(model.setCursorPosition(kOut, {10, 0}));
  EXPECT_FALSE(model.setCursorPosition(kOut, {0, 20}));
  EXPECT_FALSE(model.setCursorPosition(kOut, {-1, 0}));
  ASSERT_TRUE(model.setCursorPosition(kOut, {9, 12}));
  EXPECT_EQ(model.window().top, 8);
  EXPECT_EQ(model.window().bottom, 12);
  ASSERT_TRUE(model.setCursorPosition(kOut, {0, 3}));
  EXPECT_EQ(model.window().top, 3);
}

TEST(ModelCursor, InfoSizeMustLieBetweenOneAndAHundred) {
  ModelConsole model;
  EXPECT_FALSE(model.setCursorInfo(kOut, {0, false}));
  EXPECT_FALSE(model.setCursorInfo(kOut, {101, false}));
  EXPECT_TRUE(model.cursorVisible());
  EXPECT_TRUE(model.setCursorInfo(kOut, {100, false}));
  EXPECT_FALSE(model.cursorVisible());
}

TEST(ModelWindow, MovesOnlyWithinTheBuffer) {
  ModelConsole model(10, 20, 5);
  EXPECT_TRUE(model.setWindowInfo(kOut, true, {0, 15, 9, 19}));
  EXPECT_FALSE(model.setWindowInfo(kOut, true, {0, 16, 9, 20}));
  EXPECT_FALSE(model.setWindowInfo(kOut, true, {0, 5, 9, 4}));
  EXPECT_TRUE(model.setWindowInfo(kOut, false, {0, -3, 0, -3}));
  EXPECT_EQ(model.window().top, 12);
  EXPECT_FALSE(model.setWindowInfo(kOut, false, {0, 0, 1, 0}));
}

TEST(ModelStreams, ScreenCallsFailWhenTheOutputIsNotAConsole) {
  ModelConsole model;
  model.setOutputIsConsole(false);
  ScreenBufferInfo info;
  EXPECT_FALSE(model.getScreenBufferInfo(kOut, info));
  EXPECT_FALSE(model.setCursorPosition(kOut, {0, 0}));
  std::uint32_t written = 0;
  EXPECT_TRUE(model.writeFile(kOut, "ab", 2, written));
  EXPECT_EQ(model.streamOutput(), "ab");
}

bool firstHandler(std::uint32_t) { return false; }
bool secondHandler(std::uint32_t event) { return event == kCtrlCloseEvent; }

TEST(ModelControl, HandlersRunNewestFirstAndUnknownOnesCannotBeRemoved) {
  ModelConsole model;
  EXPECT_FALSE(model.setCtrlHandler(firstHandler, false));
  model.setCtrlHandler(firstHandler, true);
  model.setCtrlHandler(secondHandler, true);
  EXPECT_TRUE(model.raiseCtrlEvent(kCtrlCloseEvent));
  EXPECT_FALSE(model.raiseCtrlEvent(kCtrlCEvent));
  EXPECT_TRUE(model.setCtrlHandler(secondHandler, false));
  EXPECT_FALSE(model.raiseCtrlEvent(kCtrlCloseEvent));
}

TEST(ModelInput, WaitsEndTheProcessOnceInputHasEnded) {
  ModelConsole model;
  model.typeText("a");
  EXPECT_TRUE(model.waitForInput(ModelConsole::kInputHandle, kInfinite));
  InputRecord records[4];
  std::uint32_t read = 0;
  ASSERT_TRUE(model.readInput(ModelConsole::kInputHandle, records, 4, read));
  EXPECT_EQ(read, 2u);  // press and release
  EXPECT_TRUE(records[0].key.keyDown);
  EXPECT_EQ(records[0].key.ch, 'a');
  EXPECT_EQ(records[0].key.virtualKeyCode, 'A');
  EXPECT_THROW(model.waitForInput(ModelConsole::kInputHandle, kInfinite), InputStarved);
  const double before = model.seconds();
  EXPECT_FALSE(model.waitForInput(ModelConsole::kInputHandle, 25));
  EXPECT_NEAR(model.seconds() - before, 0.025, 1e-9);
  model.endInput();
  try {
    model.waitForInput(ModelConsole::kInputHandle, 25);
    FAIL();
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.status, 0);
  }
}

}  // namespace
}  // namespace maze
