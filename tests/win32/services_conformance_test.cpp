// The console services' own clearing, text output and line editing, run on
// a real console buffer taller than its window and on the in-memory
// screen: every cell, the cursor and the window must agree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conformance.hpp"
#include "console/console.hpp"
#include "console/lineedit.hpp"
#include "console/output.hpp"
#include "console/screen.hpp"

namespace maze::testing {
namespace {

void logCursor(ConsoleState& console, CallLog& log, const std::string& when) {
  const CursorPosition position = cursorPosition(console);
  log("cursor " + when, true).with("column", position.column).with("row", position.row);
}

// Key events as a keyboard makes them: text, then editing keys by their
// virtual-key codes.
class Keys {
 public:
  Keys& type(const std::string& text) {
    scratch_.typeText(text);
    return *this;
  }
  Keys& press(std::uint16_t virtualKey) {
    scratch_.pushVirtualKey(virtualKey);
    return *this;
  }
  // Puts the events into the input queue of the test host, or of the real
  // console.
  void queueFor(Host& host) {
    std::vector<InputRecord> records(scratch_.pendingInput());
    std::uint32_t read = 0;
    scratch_.readInput(records.data(), static_cast<std::uint32_t>(records.size()), read);
    if (auto* model = dynamic_cast<TestHost*>(&host)) {
      for (const InputRecord& record : records) model->pushInput(record);
      return;
    }
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    FlushConsoleInputBuffer(input);
    std::vector<INPUT_RECORD> native(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
      native[i].EventType = KEY_EVENT;
      KEY_EVENT_RECORD& key = native[i].Event.KeyEvent;
      key.bKeyDown = records[i].key.keyDown;
      key.wRepeatCount = records[i].key.repeatCount;
      key.wVirtualKeyCode = records[i].key.virtualKeyCode;
      key.wVirtualScanCode = records[i].key.virtualScanCode;
      key.uChar.AsciiChar = static_cast<CHAR>(records[i].key.ch);
      key.dwControlKeyState = records[i].key.controlKeyState;
    }
    DWORD written = 0;
    WriteConsoleInputA(input, native.data(), static_cast<DWORD>(native.size()), &written);
  }

 private:
  TestHost scratch_;
};

TEST(ServicesConformance, ClearingBlanksTheRegionOrTheWindowAndKeepsTheRowsAbove) {
  EXPECT_SAME_AS_REAL_CONSOLE(16, 12, 4, [](Host& host, ScreenBuffer& s, CallLog& log) {
    // The user has scrolled the window down before the first use.
    s.setCursorPosition(at(5, 6));
    s.setWindowInfo(true, rect(0, 4, 15, 7));
    auto& console = forProcessLifetime<ConsoleState>(host, s);
    startConsole(console, 0, nullptr);
    clearScreen(console);
    logCursor(console, log, "after clearing");
    printText(console, "one\r\ntwo");
    clearScreen(console, kClearNothing);
    logCursor(console, log, "after mode 1");
    clearScreen(console, kClearWindow);
    printText(console, "three");
    clearScreen(console, kClearRegion);
    printText(console, "four");
  });
}

TEST(ServicesConformance, OutputMovesTheWindowDownThenScrollsTheBuffer) {
  EXPECT_SAME_AS_REAL_CONSOLE(16, 9, 4, [](Host& host, ScreenBuffer& s, CallLog& log) {
    auto& console = forProcessLifetime<ConsoleState>(host, s);
    startConsole(console, 0, nullptr);
    clearScreen(console);
    for (int i = 1; i <= 7; ++i) {
      printLine(console, "line " + std::to_string(i));
      logCursor(console, log, "line " + std::to_string(i));
    }
    printText(console, "tab\tx\tat 8\t\t");
    printLine(console, "exactly 16 wide!");  // wraps, then an empty row
    printInteger(console, -2147483647, true);
    printText(console, "back\b\bBA\rCR");
    printInteger(console, 42, false);
    logCursor(console, log, "at the end");
  });
}

TEST(ServicesConformance, TextEndingOnTheLastCellDefersItsLineFeed) {
  EXPECT_SAME_AS_REAL_CONSOLE(10, 8, 3, [](Host& host, ScreenBuffer& s, CallLog& log) {
    auto& console = forProcessLifetime<ConsoleState>(host, s);
    startConsole(console, 0, nullptr);
    clearScreen(console);
    printText(console, "0123456789abcdefghij0123456789");
    logCursor(console, log, "on the last cell");
    printText(console, "next");  // the deferred scroll happens first
    printText(console, "\n\n\n");
    printText(console, "0123456789abcdef");
    logCursor(console, log, "deferred again");
    moveCursor(console, 1, 3, -1);  // drops it
    printText(console, "XY");
    finishPendingLineFeed(console);
    logCursor(console, log, "at the end");
  });
}

TEST(ServicesConformance, AWindowGrownAfterTheFirstUseScrollsOnlyTheRegion) {
  EXPECT_SAME_AS_REAL_CONSOLE(12, 10, 3, [](Host& host, ScreenBuffer& s, CallLog& log) {
    auto& console = forProcessLifetime<ConsoleState>(host, s);
    startConsole(console, 0, nullptr);
    clearScreen(console);
    printLine(console, "first");
    s.setWindowInfo(true, rect(0, 2, 11, 7));
    for (int i = 1; i <= 5; ++i) printLine(console, "row " + std::to_string(i));
    logCursor(console, log, "at the end");
  });
}

TEST(ServicesConformance, LineEditingInATallBuffer) {
  EXPECT_SAME_AS_REAL_CONSOLE(12, 9, 4, [](Host& host, ScreenBuffer& s, CallLog& log) {
    Keys()
        .type("hello")
        .press(vk::kLeft)
        .press(vk::kLeft)
        .type("X")
        .press(vk::kHome)
        .press(vk::kDelete)
        .press(vk::kEnd)
        .type("\b\t")
        .type("a long answer that wraps")
        .press(vk::kUp)
        .type("U")
        .press(vk::kDown)
        .press(vk::kRight)
        .type("\r")
        .type("gone")
        .press(vk::kLeft)
        .type("\x1b")
        .type("z\r")
        .queueFor(host);
    auto& console = forProcessLifetime<ConsoleState>(host, s);
    startConsole(console, 0, nullptr);
    clearScreen(console);
    printLine(console, "above");
    printLine(console, "the");
    printText(console, "prompt? ");
    log("line " + editLine(console), true);
    logCursor(console, log, "after the first line");
    printText(console, "\r\n> ");
    log("line " + editLine(console), true);
    logCursor(console, log, "after the second line");
  });
}

TEST(ServicesConformance, InsertingMidLineScrollsPastTheBottom) {
  EXPECT_SAME_AS_REAL_CONSOLE(8, 6, 3, [](Host& host, ScreenBuffer& s, CallLog& log) {
    Keys()
        .type("abcdefghijkl")
        .press(vk::kHome)
        .press(vk::kRight)
        .type("123456")
        .type("\r")
        .queueFor(host);
    auto& console = forProcessLifetime<ConsoleState>(host, s);
    startConsole(console, 0, nullptr);
    clearScreen(console);
    printText(console, "\r\n\r\n> ");
    log("line " + editLine(console), true);
    logCursor(console, log, "at the end");
  });
}

}  // namespace
}  // namespace maze::testing
