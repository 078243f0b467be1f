#include "console/lineedit.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <concepts>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "console/output.hpp"
#include "console/screen.hpp"
#include "platform/keyboard_layout.hpp"
#include "support/test_console.hpp"

namespace maze {
namespace {

// Keys to type at one wait of the editor ("<Name>" is a key without a
// character), or something to do there first: a check, or keys that have
// no name.
struct Step {
  Step(const char* keys) : keys(keys) {}
  Step(std::string keys) : keys(std::move(keys)) {}
  template <std::invocable F>
  Step(F action) : action(std::move(action)) {}
  std::string keys;
  std::function<void()> action;
};

class LineEditTest : public ::testing::Test, protected TestConsole {
 protected:
  // Runs the editor; at each wait for keys the next checks run, then the
  // next keys are typed, so a check sees the screen the keys before it left.
  std::string edit(const std::vector<Step>& steps) {
    std::size_t next = 0;
    host.onIdle = [&] {
      for (; next < steps.size() && steps[next].action; ++next) steps[next].action();
      if (next < steps.size()) {
        type(steps[next++].keys);
      } else {
        host.endInput();
      }
    };
    std::string line = editLine(console);
    host.onIdle = nullptr;
    EXPECT_EQ(next, steps.size());
    return line;
  }

  void type(const std::string& keys) {
    static const std::map<std::string, std::uint16_t> named = {
        {"Left", vk::kLeft},  {"Right", vk::kRight}, {"Up", vk::kUp},      {"Down", vk::kDown},
        {"Home", vk::kHome},  {"End", vk::kEnd},     {"Del", vk::kDelete}, {"Ins", vk::kInsert},
        {"PgUp", vk::kPrior}, {"F1", vk::kF1}};
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const std::size_t close = keys.find('>', i);
      if (keys[i] == '<' && close != std::string::npos) {
        host.pushVirtualKey(named.at(keys.substr(i + 1, close - i - 1)));
        i = close;
      } else {
        host.typeText(keys.substr(i, 1));
      }
    }
  }

  // A check that the rows from `first` read `text` (joined by '\n') and
  // the cursor stands at `cursor`.
  Step shows(int first, const std::string& text, XY cursor) {
    const int last = first + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    return [=, this] {
      EXPECT_EQ(screen.text(first, last), text);
      EXPECT_EQ(screen.cursorAt(), cursor);
    };
  }
};

TEST_F(LineEditTest, TypedLineAndEnter) {
  printText(console, "? ");
  EXPECT_EQ(edit({"n\r"}), "n");
  EXPECT_EQ(screen.rowText(0), "? n");
  EXPECT_EQ(screen.cursorAt(), XY(3, 0));
  EXPECT_EQ(host.lastWaitMs(), kInfinite);  // waiting for keys never wakes up by itself
  EXPECT_EQ(host.sleptMs(), 0u);
  EXPECT_EQ(edit({"\r"}), "");
  EXPECT_EQ(edit({"ab\n"}), "ab");  // Ctrl+Enter gives LF, which ends the line as well
  // Enter in the middle leaves the cursor behind the line.
  printText(console, "\r\n");
  EXPECT_EQ(edit({"abc<Home>\r"}), "abc");
  EXPECT_EQ(screen.cursorAt(), XY(3, 1));
}

TEST_F(LineEditTest, EditingInTheMiddle) {
  printText(console, "> ");
  screen.putText(5, 0, "zz");  // cells behind the line stay as they were
  EXPECT_EQ(edit({"abc<Left><Left><Del>", shows(0, "> ac zz", {3, 0}), "\r"}), "ac");
  printText(console, "\r\n> ");
  EXPECT_EQ(edit({"abc<Left><Left>\b", shows(1, "> bc", {2, 1}), "\r"}), "bc");
  printText(console, "\r\n> ");  // Escape clears the line
  EXPECT_EQ(edit({"abc<Left>\x1B", shows(2, ">", {2, 2}), "z\r"}), "z");
  printText(console, "\r\n> ");  // inserting at Home redraws the line
  EXPECT_EQ(edit({"abc<Home>x", shows(3, "> xabc", {3, 3}), "<End>!\r"}), "xabc!");
}

// From the start of the line, wherever the cursor is; an odd prompt width
// changes nothing.
TEST_F(LineEditTest, TabStopsCountFromTheStartOfTheLine) {
  const std::pair<const char*, const char*> keysAndLines[] = {
      {"\t\r", "        "},
      {"abcde\t\r", "abcde   "},
      {"abcdefgh\t|\r", "abcdefgh        |"},
      {"abcdef<Left><Left><Left>\t\r", "abc     def"}};
  for (const auto& [keys, line] : keysAndLines) {
    printText(console, "\r\n?? ");
    EXPECT_EQ(edit({keys}), line) << keys;
  }
  EXPECT_EQ(screen.rowText(3), "?? abcdefgh        |");
}

TEST_F(LineEditTest, UpAndDownMoveByAWholeRow) {
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred.push_back(static_cast<char>('a' + i % 26));
  // Rows are 80 wide and the line 100 long: Up works from 80 on, Down up
  // to the very end; otherwise they do nothing.
  const struct {
    int from, to;
    const char* key;
  } moves[] = {{90, 10, "<Up>"},   {80, 0, "<Up>"},     {79, 79, "<Up>"},
               {10, 90, "<Down>"}, {20, 100, "<Down>"}, {21, 21, "<Down>"}};
  for (const auto& m : moves) {
    std::string keys = hundred + "<Home>";
    for (int i = 0; i < m.from; ++i) keys += "<Right>";
    EXPECT_EQ(edit({keys + m.key + "#\r"}), hundred.substr(0, m.to) + "#" + hundred.substr(m.to))
        << m.from;
    EXPECT_EQ(screen.cell(m.to % 80, m.to / 80).ch, '#') << m.from;
    clearScreen(console);
  }
}

TEST_F(LineEditTest, TypingIntoTheBottomRightCellScrollsAtOnce) {
  screen.putText(0, 0, "top");
  moveCursor(console, 25, 1, -1);
  printText(console, std::string(78, '-'));
  EXPECT_EQ(edit({"ab", shows(23, std::string(78, '-') + "ab\n", {0, 24}),
                  [&] { EXPECT_EQ(screen.rowText(0), ""); },  // "top" scrolled away
                  "c\r"}),
            "abc");
  EXPECT_EQ(screen.rowText(24), "c");
}

TEST_F(LineEditTest, InsertingInTheMiddleScrollsWhenTheTailRunsPastTheBottom) {
  const std::string tail(77, 't');
  moveCursor(console, 25, 1, -1);
  printText(console, "> ");
  // "X" makes the line end in the last cell: no scroll yet.
  EXPECT_EQ(edit({tail + "<Home>X", shows(24, "> X" + tail, {3, 24}), "Y",
                  shows(23, "> XY" + tail.substr(0, 76) + "\nt", {4, 23}), "\r"}),
            "XY" + tail);
  EXPECT_EQ(screen.cursorAt(), XY(1, 24));
}

// Keys at an edge of the line, and keys without an action, change nothing
// and sound nothing; only Delete at the end beeps.
TEST_F(LineEditTest, KeysWithNothingToDoChangeNothing) {
  printText(console, "> ");
  EXPECT_EQ(edit({"\b<Left><Up><Down>ab<Right><Left><F1><PgUp><Ins>",
                  [&] {
                    host.pushVirtualKey(vk::kLeft, kLeftCtrlPressed);
                    host.pushVirtualKey(vk::kF1 + 3, kLeftAltPressed);
                    host.pushVirtualKey(vk::kShift, kShiftPressed);
                    host.pushVirtualKey(vk::kControl, kLeftCtrlPressed);
                    host.pushKey({true, 1, vk::kTab, scan::kTab, '\t', kShiftPressed});
                    host.pushKey({true, 1, 'Q', 0x10, 'q', kLeftAltPressed});
                  },
                  "\x01\x1A",  // Ctrl+A, Ctrl+Z
                  [&] {
                    EXPECT_EQ(screen.windowText(), "> ab" + std::string(24, '\n'));
                    EXPECT_EQ(screen.cursorAt(), XY(3, 0));
                    EXPECT_TRUE(host.beeps().empty());
                  },
                  "<End><Del>", shows(0, "> ab", {4, 0}),
                  [&] {
                    ASSERT_EQ(host.beeps().size(), 1u);
                    EXPECT_EQ(host.beeps()[0].frequency, 1000u);
                    EXPECT_EQ(host.beeps()[0].durationMs, 250u);
                  },
                  "\r"}),
            "ab");
}

TEST_F(LineEditTest, EveryByteFrom32To255IsInserted) {
  EXPECT_EQ(edit({" a\x7F\xFF\r"}), " a\x7F\xFF");
  EXPECT_EQ(screen.rowText(0, true).substr(0, 4), " a\x7F\xFF");
}

TEST_F(LineEditTest, CursorVisibleWhileEditingThenAsBefore) {
  moveCursor(console, 0, 0, 0);
  const Step visible([&] { EXPECT_TRUE(screen.cursorVisible()); });
  EXPECT_EQ(edit({visible, "a", visible, "\r"}), "a");
  EXPECT_FALSE(screen.cursorVisible());
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
    std::string chunk = typed == kLength ? "\r" : "";
    for (std::size_t i = 0; i < kChunk && typed < kLength; ++i, ++typed) {
      chunk.push_back(static_cast<char>('a' + typed % 26));
    }
    host.typeText(chunk);
  };
  const std::string line = editLine(console);
  host.onIdle = nullptr;
  ASSERT_EQ(line.size(), kLength);
  EXPECT_EQ(line.substr(kLength - 3), "fgh");
  EXPECT_EQ(screen.cursorAt(), XY(kLength % 80, 24));
}

}  // namespace
}  // namespace maze
