// The line editor on an in-memory screen of random size, fed random keys
// one wait at a time. With known keys, the returned line must match a
// plain model of the editing, and when the line never reached the window's
// end the screen must show it where it began, with the cursor after it.
// With raw key events of any kind, only the invariants are checked.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "console/keyboard.hpp"
#include "console/lineedit.hpp"
#include "console/output.hpp"
#include "console/screen.hpp"
#include "invariants.hpp"
#include "platform/keyboard_layout.hpp"
#include "support/test_host.hpp"
#include "support/test_screen.hpp"

namespace {

using maze::KeyCode;
using maze::MemoryScreen;
using maze::TestHost;
namespace vk = maze::vk;

// The editor's behaviour on the key codes it knows, on a plain string.
struct ReferenceLine {
  explicit ReferenceLine(int w) : width(static_cast<std::size_t>(w)) {}

  // False once the line is finished.
  bool act(KeyCode key) {
    typed.push_back(key);
    switch (key) {
      case 8:
        if (pos > 0) line.erase(--pos, 1);
        break;
      case 9: insert(((pos + 8) & ~std::size_t{7}) - pos, ' '); break;
      case 10:
      case 13: return false;
      case 27:
        line.clear();
        pos = 0;
        break;
      case 0x47FF: pos = 0; break;
      case 0x4FFF: pos = line.size(); break;
      case 0x4BFF:
        if (pos > 0) --pos;
        break;
      case 0x4DFF:
        if (pos < line.size()) ++pos;
        break;
      case 0x48FF:
        if (pos >= width) pos -= width;
        break;
      case 0x50FF:
        if (pos + width <= line.size()) pos += width;
        break;
      case 0x53FF:
        if (pos < line.size()) line.erase(pos, 1);
        break;
      default:
        if (key >= 32 && key <= 255) insert(1, static_cast<char>(key));
        break;
    }
    return true;
  }

  void insert(std::size_t count, char ch) {
    line.insert(pos, count, ch);
    pos += count;
    longest = std::max(longest, line.size());
  }

  std::size_t width;
  std::string line;
  std::size_t pos = 0;
  std::size_t longest = 0;
  std::vector<KeyCode> typed;
};

void report(const ReferenceLine& reference, const std::string& line, int width, int rows) {
  std::fprintf(stderr, "buffer width %d, window rows %d\nkeys:", width, rows);
  for (const KeyCode key : reference.typed) std::fprintf(stderr, " %X", static_cast<unsigned>(key));
  std::fprintf(stderr, "\neditor:    [%s]\nreference: [%s]\n", line.c_str(),
               reference.line.c_str());
}

// Pushes one key the editor may meet; returns the code it should read.
KeyCode pushKnownKey(TestHost& host, FuzzedDataProvider& in) {
  struct Special {
    std::uint16_t virtualKey;
    KeyCode code;
  };
  static constexpr Special kSpecials[] = {
      {vk::kHome, 0x47FF},  {vk::kEnd, 0x4FFF},  {vk::kLeft, 0x4BFF},   {vk::kRight, 0x4DFF},
      {vk::kUp, 0x48FF},    {vk::kDown, 0x50FF}, {vk::kDelete, 0x53FF}, {vk::kInsert, 0x52FF},
      {vk::kPrior, 0x49FF}, {vk::kNext, 0x51FF}, {vk::kF1, 0x3BFF},     {vk::kF1 + 3, 0x3EFF},
  };
  const int choice = in.ConsumeIntegralInRange(0, 9);
  if (choice < 3) {
    const Special& key =
        kSpecials[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kSpecials) - 1)];
    host.pushVirtualKey(key.virtualKey);
    return key.code;
  }
  if (choice == 3) {
    // Ctrl+letters, Backspace, Tab, Ctrl+Enter, Enter, Esc.
    const auto ch = in.ConsumeIntegralInRange<std::uint8_t>(1, 27);
    host.typeText(std::string(1, static_cast<char>(ch)));
    return ch;
  }
  if (choice == 4) {
    const auto ch = in.ConsumeIntegralInRange<std::uint8_t>(128, 255);
    host.typeText(std::string(1, static_cast<char>(ch)));
    return ch;
  }
  const auto ch = in.ConsumeIntegralInRange<std::uint8_t>(32, 126);
  host.typeText(std::string(1, static_cast<char>(ch)));
  return ch;
}

void pushRawEvent(TestHost& host, FuzzedDataProvider& in) {
  maze::InputRecord record;
  record.eventType = in.ConsumeBool() ? maze::kKeyEvent : in.ConsumeIntegral<std::uint16_t>();
  record.key.keyDown = in.ConsumeBool();
  record.key.repeatCount = in.ConsumeIntegralInRange<std::uint16_t>(0, 3);
  record.key.virtualKeyCode = in.ConsumeIntegral<std::uint8_t>();
  record.key.virtualScanCode = in.ConsumeIntegral<std::uint8_t>();
  record.key.ch = in.ConsumeIntegral<std::uint8_t>();
  record.key.controlKeyState = in.ConsumeIntegral<std::uint16_t>() & 0x1FF;
  host.pushInput(record);
}

// Cell number of the cursor counted from the buffer's top-left.
long linearCursor(const MemoryScreen& screen) {
  return static_cast<long>(screen.cursor().y) * screen.width() + screen.cursor().x;
}

std::string cellsFrom(const MemoryScreen& screen, long start, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    const long at = start + static_cast<long>(i);
    text.push_back(static_cast<char>(screen.cell(at % screen.width(), at / screen.width()).ch));
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int width = in.ConsumeIntegralInRange(1, 100);
  const int height = in.ConsumeIntegralInRange(1, 40);
  maze::TestScreen screen(width, height, in.ConsumeIntegralInRange(0, height));
  const int rows = screen.window().bottom - screen.window().top + 1;
  const int top = in.ConsumeIntegralInRange(0, height - rows);
  screen.setWindow({0, static_cast<std::int16_t>(top), static_cast<std::int16_t>(width - 1),
                    static_cast<std::int16_t>(top + rows - 1)});
  screen.placeCursor({static_cast<std::int16_t>(in.ConsumeIntegralInRange(0, width - 1)),
                      static_cast<std::int16_t>(in.ConsumeIntegralInRange(top, top + rows - 1))});
  TestHost host;
  maze::ConsoleState console(host, screen);
  maze::startConsole(console, 0, nullptr);
  const bool known = in.ConsumeBool();

  std::size_t rawEvents = 0;
  // With no usable window the editor lays the line out 80 columns wide.
  const bool windowless = width == 1 || rows == 1;
  const int editWidth = windowless ? 80 : width;
  ReferenceLine reference(editWidth);
  bool finished = false;
  host.onIdle = [&] {
    maze::fuzz::checkInvariants(screen, console);
    if (in.remaining_bytes() == 0 || finished) {
      host.endInput();
      return;
    }
    const int count = in.ConsumeIntegralInRange(1, 4);
    for (int i = 0; i < count && !finished; ++i) {
      if (known) {
        finished = !reference.act(pushKnownKey(host, in));
      } else {
        pushRawEvent(host, in);
        ++rawEvents;
      }
    }
  };

  try {
    for (;;) {
      const std::string prompt = in.ConsumeRandomLengthString(30);
      maze::printText(console, prompt);
      const bool visible = in.ConsumeBool();
      maze::moveCursor(console, 0, 0, visible ? 1 : 0);
      const long start = linearCursor(screen);
      const long windowStart = static_cast<long>(screen.window().top) * width;
      const long windowCells = static_cast<long>(rows) * width;
      reference = ReferenceLine(editWidth);
      finished = false;

      const std::string line = maze::editLine(console);
      maze::fuzz::checkInvariants(screen, console);
      if (screen.cursorVisible() != visible) maze::fuzz::broken("cursor visibility not given back");
      if (known) {
        if (line != reference.line) report(reference, line, width, rows);
        if (line != reference.line) maze::fuzz::broken("edited line differs from the keys typed");
        const bool stayedInWindow =
            !windowless &&
            start - windowStart + static_cast<long>(reference.longest) < windowCells - 1;
        if (stayedInWindow) {
          if (cellsFrom(screen, start, line.size()) != line) {
            report(reference, line, width, rows);
            std::fprintf(stderr, "screen:    [%s]\n",
                         cellsFrom(screen, start, line.size()).c_str());
            maze::fuzz::broken("screen does not show the edited line");
          }
          if (linearCursor(screen) != start + static_cast<long>(line.size())) {
            maze::fuzz::broken("cursor not after the line");
          }
        }
      } else if (line.size() > 8 * rawEvents) {
        maze::fuzz::broken("line longer than the keys could make");
      }
      if (in.ConsumeBool()) maze::consoleWrite(console, "\r\n", 2, maze::WriteEmpty::Skip);
    }
  } catch (const maze::ProcessExit& exit) {
    if (exit.status != 0) maze::fuzz::broken("input end did not exit with status 0");
  }
  maze::fuzz::checkInvariants(screen, console);
  return 0;
}
