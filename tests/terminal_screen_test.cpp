#include "platform/terminal/terminal_screen.hpp"

#include <gtest/gtest.h>

namespace maze {
namespace {

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
  // Narrowed below the cursor's column, then wide enough again: from the left edge.
  screen.fitWindow(4, 6);
  screen.fitWindow(9, 6);
  EXPECT_EQ(Rect::of(screen.window()), (Rect{0, 0, 8, 5}));
}

}  // namespace
}  // namespace maze
