// Runs the same steps on a real console screen buffer and on the in-memory
// console of the same shape, both painted with the same pattern first, and
// collects what each side reported and how each screen ended up.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/model/model_console.hpp"
#include "platform/win32/win32_platform.hpp"
#include "real_console.hpp"

namespace maze::testing {

inline Coord at(int x, int y) {
  return {static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)};
}

inline SmallRect rect(int left, int top, int right, int bottom) {
  return {static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
          static_cast<std::int16_t>(right), static_cast<std::int16_t>(bottom)};
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
inline void paintPattern(Platform& platform, Handle h, int width, int height) {
  std::vector<CharCell> row(width);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      row[x] = {static_cast<std::uint8_t>('a' + (x + 3 * y) % 26),
                static_cast<std::uint16_t>(1 + (x + y) % 15)};
    }
    SmallRect target = rect(0, y, width - 1, y);
    platform.writeCells(h, row.data(), at(width, 1), at(0, 0), target);
  }
}

// `steps` gets the platform to use (the real side's output handle comes
// back as the standard output), the handle of the buffer, and the log.
using PlatformSteps = std::function<void(Platform&, Handle, CallLog&)>;

// The native backend with its standard output sent to a test buffer.
class RedirectedOutput : public Win32Platform {
 public:
  explicit RedirectedOutput(Handle output) : output_(output) {}
  Handle stdHandle(StdHandle which) override {
    return which == StdHandle::Output ? output_ : Win32Platform::stdHandle(which);
  }

 private:
  Handle output_;
};

// The keyboard's control and exit handlers reach the console they were
// installed for until the process ends, as in the program, so the consoles
// and platforms of these tests are never freed.
template <typename T, typename... Args>
T& forProcessLifetime(Args&&... args) {
  return *new T(std::forward<Args>(args)...);
}

inline Outcomes runBoth(int width, int height, int windowRows, const PlatformSteps& steps) {
  Outcomes outcomes;
  RealScreenBuffer buffer(width, height, windowRows);
  if (!buffer.ok()) return outcomes;
  auto& win32 = forProcessLifetime<RedirectedOutput>(buffer.handle());
  auto& model = forProcessLifetime<ModelConsole>(width, height, windowRows);
  paintPattern(win32, buffer.handle(), width, height);
  paintPattern(model, ModelConsole::kOutputHandle, width, height);
  outcomes.before = toText(dumpOf(model));
  if (toText(dumpOf(buffer.native())) != outcomes.before) {
    ADD_FAILURE() << "the two consoles differ before the steps";
    return outcomes;
  }
  CallLog realLog;
  CallLog modelLog;
  steps(win32, buffer.handle(), realLog);
  steps(model, ModelConsole::kOutputHandle, modelLog);
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
