#include "console/lineedit.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "console/output.hpp"
#include "console/screen.hpp"
#include "platform/keyboard_layout.hpp"
#include "support/test_host.hpp"
#include "support/test_screen.hpp"

namespace maze {
namespace {

using Step = std::function<void()>;

class LineEditTest : public ::testing::Test {
 protected:
  LineEditTest() { startConsole(console, 0, nullptr); }

  // Runs the editor; each step runs when the editor waits for keys, so a
  // step can look at the screen the keys before it left and type more.
  std::string edit(std::vector<Step> steps) {
    std::size_t next = 0;
    host.onIdle = [&] {
      if (next < steps.size()) {
        steps[next++]();
      } else {
        host.endInput();
      }
    };
    std::string line = editLine(console);
    host.onIdle = nullptr;
    EXPECT_EQ(next, steps.size());
    return line;
  }

  void key(std::uint16_t virtualKey, std::uint32_t state = 0, int times = 1) {
    for (int i = 0; i < times; ++i) host.pushVirtualKey(virtualKey, state);
  }

  void expectCursor(int x, int y) {
    EXPECT_EQ(screen.cursor().x, x);
    EXPECT_EQ(screen.cursor().y, y);
  }

  TestScreen screen{80, 25};
  TestHost host;
  ConsoleState console{host, screen};
};

TEST_F(LineEditTest, TypedLineAndEnter) {
  printText(console, "? ");
  EXPECT_EQ(edit({[&] { host.typeText("n\r"); }}), "n");
  EXPECT_EQ(screen.rowText(0), "? n");
  expectCursor(3, 0);
  EXPECT_EQ(edit({[&] { host.typeText("\r"); }}), "");
  // Ctrl+Enter gives LF, which ends the line just as well.
  EXPECT_EQ(edit({[&] { host.typeText("ab\n"); }}), "ab");
}

TEST_F(LineEditTest, EnterInTheMiddleLeavesTheCursorBehindTheLine) {
  EXPECT_EQ(edit({[&] {
              host.typeText("abc");
              key(vk::kHome);
              host.typeText("\r");
            }}),
            "abc");
  expectCursor(3, 0);
}

TEST_F(LineEditTest, NothingToDoAtTheEdgesIsSilent) {
  EXPECT_EQ(edit({[&] {
                    host.typeText("\b");
                    key(vk::kLeft);
                    key(vk::kUp);
                    key(vk::kDown);
                    host.typeText("ab");
                    key(vk::kRight);
                  },
                  [&] {
                    EXPECT_TRUE(host.beeps().empty());
                    expectCursor(2, 0);
                    key(vk::kDelete);
                  },
                  [&] {
                    ASSERT_EQ(host.beeps().size(), 1u);
                    EXPECT_EQ(host.beeps()[0].frequency, 1000u);
                    EXPECT_EQ(host.beeps()[0].durationMs, 250u);
                    EXPECT_EQ(screen.rowText(0), "ab");
                    expectCursor(2, 0);
                    host.typeText("\r");
                  }}),
            "ab");
}

TEST_F(LineEditTest, DeleteAndBackspaceInTheMiddle) {
  printText(console, "> ");
  screen.putText(5, 0, "zz");  // cells behind the line stay as they were
  EXPECT_EQ(edit({[&] {
                    host.typeText("abc");
                    key(vk::kLeft, 0, 2);
                    key(vk::kDelete);
                  },
                  [&] {
                    EXPECT_EQ(screen.rowText(0), "> ac zz");
                    expectCursor(3, 0);
                    host.typeText("\r");
                  }}),
            "ac");

  printText(console, "\r\n> ");
  EXPECT_EQ(edit({[&] {
                    host.typeText("abc");
                    key(vk::kLeft, 0, 2);
                    host.typeText("\b");
                  },
                  [&] {
                    EXPECT_EQ(screen.rowText(1), "> bc");
                    expectCursor(2, 1);
                    host.typeText("\r");
                  }}),
            "bc");
}

TEST_F(LineEditTest, EscapeClearsTheLine) {
  printText(console, "> ");
  EXPECT_EQ(edit({[&] {
                    host.typeText("abc");
                    key(vk::kLeft);
                    host.typeText("\x1B");
                  },
                  [&] {
                    EXPECT_EQ(screen.rowText(0), ">");
                    expectCursor(2, 0);
                    host.typeText("z\r");
                  }}),
            "z");
}

TEST_F(LineEditTest, InsertAtHomeRedrawsTheLine) {
  printText(console, "> ");
  EXPECT_EQ(edit({[&] {
                    host.typeText("abc");
                    key(vk::kHome);
                    host.typeText("x");
                  },
                  [&] {
                    EXPECT_EQ(screen.rowText(0), "> xabc");
                    expectCursor(3, 0);
                    key(vk::kEnd);
                    host.typeText("!\r");
                  }}),
            "xabc!");
}

TEST_F(LineEditTest, TabStopsCountFromTheStartOfTheLine) {
  printText(console, "?? ");  // an odd prompt width changes nothing
  EXPECT_EQ(edit({[&] { host.typeText("\t\r"); }}), std::string(8, ' '));
  printText(console, "\r\n?? ");
  EXPECT_EQ(edit({[&] { host.typeText("abcde\t\r"); }}), "abcde   ");
  printText(console, "\r\n?? ");
  EXPECT_EQ(edit({[&] { host.typeText("abcdefgh\t|\r"); }}), "abcdefgh        |");
  EXPECT_EQ(screen.rowText(2), "?? abcdefgh        |");
  // In the middle of the line the stop counts from the line's start too.
  printText(console, "\r\n?? ");
  EXPECT_EQ(edit({[&] {
              host.typeText("abcdef");
              key(vk::kLeft, 0, 3);
              host.typeText("\t\r");
            }}),
            "abc     def");
}

TEST_F(LineEditTest, UpAndDownMoveByAWholeRow) {
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred.push_back(static_cast<char>('a' + i % 26));
  auto typeAndMark = [&](int start, std::uint16_t direction) {
    return edit({[&] {
      host.typeText(hundred);
      key(vk::kHome);
      key(vk::kRight, 0, start);
      key(direction);
      host.typeText("#\r");
    }});
  };
  auto marked = [&](int at) { return hundred.substr(0, at) + "#" + hundred.substr(at); };

  // Rows are 80 wide and the line 100 long: Up works from 80 on, Down up
  // to the very end; otherwise they do nothing.
  const struct {
    int from;
    std::uint16_t key;
    int to;
  } moves[] = {{90, vk::kUp, 10},   {80, vk::kUp, 0},     {79, vk::kUp, 79},
               {10, vk::kDown, 90}, {20, vk::kDown, 100}, {21, vk::kDown, 21}};
  for (const auto& m : moves) {
    EXPECT_EQ(typeAndMark(m.from, m.key), marked(m.to)) << m.from;
    EXPECT_EQ(screen.cell(m.to % 80, m.to / 80).ch, '#') << m.from;
    clearScreen(console);
  }
}

TEST_F(LineEditTest, TypingIntoTheBottomRightCellScrollsAtOnce) {
  screen.putText(0, 0, "top");
  moveCursor(console, 25, 1, -1);
  printText(console, std::string(78, '-'));
  EXPECT_EQ(edit({[&] { host.typeText("ab"); },
                  [&] {
                    EXPECT_EQ(screen.rowText(23), std::string(78, '-') + "ab");
                    EXPECT_EQ(screen.rowText(24), "");
                    EXPECT_EQ(screen.rowText(0), "");  // "top" scrolled away
                    expectCursor(0, 24);
                    host.typeText("c\r");
                  }}),
            "abc");
  EXPECT_EQ(screen.rowText(24), "c");
}

TEST_F(LineEditTest, InsertingInTheMiddleScrollsWhenTheTailRunsPastTheBottom) {
  const std::string tail(77, 't');
  moveCursor(console, 25, 1, -1);
  printText(console, "> ");
  EXPECT_EQ(edit({[&] {
                    host.typeText(tail);
                    key(vk::kHome);
                    host.typeText("X");  // the line now ends in the last cell: no scroll yet
                  },
                  [&] {
                    EXPECT_EQ(screen.rowText(24), "> X" + tail);
                    expectCursor(3, 24);
                    host.typeText("Y");
                  },
                  [&] {
                    EXPECT_EQ(screen.rowText(23), "> XY" + tail.substr(0, 76));
                    EXPECT_EQ(screen.rowText(24), "t");
                    expectCursor(4, 23);
                    host.typeText("\r");
                  }}),
            "XY" + tail);
  expectCursor(1, 24);
}

TEST_F(LineEditTest, KeysWithoutAnActionChangeNothing) {
  printText(console, "> ");
  EXPECT_EQ(edit({[&] {
                    host.typeText("ab");
                    key(vk::kLeft);
                  },
                  [&] {
                    key(vk::kF1);
                    key(vk::kPrior);
                    key(vk::kInsert);
                    key(vk::kLeft, kLeftCtrlPressed);
                    key(vk::kF1 + 3, kLeftAltPressed);
                    key(vk::kShift, kShiftPressed);
                    key(vk::kControl, kLeftCtrlPressed);
                    host.pushKey({true, 1, vk::kTab, scan::kTab, '\t', kShiftPressed});
                    host.pushKey({true, 1, 'Q', 0x10, 'q', kLeftAltPressed});
                    host.typeText("\x01\x1A");  // Ctrl+A, Ctrl+Z
                  },
                  [&] {
                    EXPECT_EQ(screen.windowText(), "> ab" + std::string(24, '\n'));
                    expectCursor(3, 0);
                    EXPECT_TRUE(host.beeps().empty());
                    host.typeText("\r");
                  }}),
            "ab");
}

TEST_F(LineEditTest, EveryByteFrom32To255IsInserted) {
  EXPECT_EQ(edit({[&] {
              host.typeText(
                  "a\x7F\xFF"
                  "b\r");
            }}),
            "a\x7F\xFF"
            "b");
  EXPECT_EQ(static_cast<unsigned char>(screen.cell(1, 0).ch), 0x7F);
  EXPECT_EQ(static_cast<unsigned char>(screen.cell(2, 0).ch), 0xFF);
}

TEST_F(LineEditTest, CursorVisibleWhileEditingThenAsBefore) {
  moveCursor(console, 0, 0, 0);
  EXPECT_EQ(edit({[&] {
                    EXPECT_TRUE(screen.cursorVisible());
                    host.typeText("a");
                  },
                  [&] {
                    EXPECT_TRUE(screen.cursorVisible());
                    host.typeText("\r");
                  }}),
            "a");
  EXPECT_FALSE(screen.cursorVisible());
}

TEST_F(LineEditTest, WaitsForTheNextKeyWithoutWakingUp) {
  EXPECT_EQ(edit({[&] { host.typeText("k\r"); }}), "k");
  EXPECT_EQ(host.lastWaitMs(), kInfinite);
  EXPECT_EQ(host.sleptMs(), 0u);
}

TEST_F(LineEditTest, InputThatCanNeverComeEndsTheProgram) {
  host.inputIsConsole = false;
  try {
    editLine(console);
    ADD_FAILURE() << "editLine returned";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.status, 0);
  }
  EXPECT_EQ(host.ctrlHandlerCount(), 0u);  // the exit handler removed it
}

TEST_F(LineEditTest, AVeryLongLineTypedAtItsEnd) {
  constexpr std::size_t kLength = 200'000;
  constexpr std::size_t kChunk = 500;  // fewer than the key buffer holds
  std::size_t typed = 0;
  host.onIdle = [&] {
    if (typed == kLength) {
      host.typeText("\r");
      return;
    }
    std::string chunk;
    for (std::size_t i = 0; i < kChunk; ++i, ++typed) chunk.push_back('a' + typed % 26);
    host.typeText(chunk);
  };
  const std::string line = editLine(console);
  host.onIdle = nullptr;
  ASSERT_EQ(line.size(), kLength);
  EXPECT_EQ(line.substr(kLength - 3), "fgh");
  expectCursor(kLength % 80, 24);
}

}  // namespace
}  // namespace maze
