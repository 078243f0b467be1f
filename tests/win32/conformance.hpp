// Runs the same steps on a real console screen buffer and on the in-memory
// screen of the same shape, both painted with the same pattern first, and
// collects what each side reported and how each screen ended up.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/memory/memory_screen.hpp"
#include "platform/win32/win32_host.hpp"
#include "platform/win32/win32_screen.hpp"
#include "real_console.hpp"
#include "support/test_host.hpp"

namespace maze::testing {

// Short names: the cases below list many.
inline constexpr auto at = coordAt;
inline SmallRect rect(int left, int top, int right, int bottom) {
  return Rect{left, top, right, bottom}.small();
}

struct Outcome {
  std::vector<std::string> calls;
  std::string screen;
};

struct Outcomes {
  bool ran = false;
  std::string before;
  Outcome real;
  Outcome model;
};

// Gives every cell its own character and attribute, so moved, blanked and
// untouched cells can be told apart.
inline void paintPattern(ScreenBuffer& screen, int width, int height) {
  std::vector<CharCell> row(width);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      row[x] = {static_cast<std::uint8_t>('a' + (x + 3 * y) % 26),
                static_cast<std::uint16_t>(1 + (x + y) % 15)};
    }
    SmallRect target = rect(0, y, width - 1, y);
    screen.writeCells(row.data(), at(width, 1), at(0, 0), target);
  }
}

// `steps` gets one side's host and screen, and its log: the native host
// (its output sent to the test buffer) and the test buffer, or a TestHost
// and a MemoryScreen.
using Steps = std::function<void(Host&, ScreenBuffer&, CallLog&)>;

// The keyboard's control and exit handlers reach the console they were
// installed for until the process ends, as in the program, so the consoles,
// hosts and screens of these tests are never freed.
template <typename T, typename... Args>
T& forProcessLifetime(Args&&... args) {
  return *new T(std::forward<Args>(args)...);
}

inline Outcomes runBoth(int width, int height, int windowRows, const Steps& steps) {
  Outcomes outcomes;
  RealScreenBuffer buffer(width, height, windowRows);
  if (!buffer.ok()) return outcomes;
  auto& win32 = forProcessLifetime<Win32Screen>(buffer.native());
  auto& model = forProcessLifetime<MemoryScreen>(width, height, windowRows);
  paintPattern(win32, width, height);
  paintPattern(model, width, height);
  outcomes.before = toText(dumpOf(model));
  if (toText(dumpOf(buffer.native())) != outcomes.before) {
    ADD_FAILURE() << "the two consoles differ before the steps";
    return outcomes;
  }
  CallLog realLog;
  CallLog modelLog;
  steps(forProcessLifetime<Win32Host>(GetStdHandle(STD_INPUT_HANDLE), buffer.native()), win32,
        realLog);
  steps(forProcessLifetime<TestHost>(), model, modelLog);
  outcomes.ran = true;
  outcomes.real = {realLog.lines(), toText(dumpOf(buffer.native()))};
  outcomes.model = {modelLog.lines(), toText(dumpOf(model))};
  return outcomes;
}

#define EXPECT_SAME_AS_REAL_CONSOLE(width, height, windowRows, steps)           \
  do {                                                                          \
    const Outcomes outcomes = runBoth(width, height, windowRows, steps);        \
    if (!outcomes.ran) GTEST_SKIP() << "no console: run this under a terminal"; \
    EXPECT_EQ(outcomes.real.calls, outcomes.model.calls);                       \
    EXPECT_EQ(outcomes.real.screen, outcomes.model.screen);                     \
  } while (false)

}  // namespace maze::testing
