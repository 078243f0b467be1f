// Text output on an in-memory screen of random size, with the window moved
// and resized, the cursor placed, the deferred line feed set and screen
// calls failing between writes, the way a user and a flaky console would.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "console/console.hpp"
#include "console/output.hpp"
#include "console/screen.hpp"
#include "invariants.hpp"
#include "support/test_host.hpp"
#include "support/test_screen.hpp"

namespace {

using maze::SmallRect;

constexpr int kMaxWidth = 160;
constexpr int kMaxHeight = 120;
constexpr int kMaxSteps = 64;

// A window anywhere inside the buffer.
SmallRect randomWindow(FuzzedDataProvider& in, int width, int height) {
  const int rows = in.ConsumeIntegralInRange(1, height);
  const int top = in.ConsumeIntegralInRange(0, height - rows);
  return SmallRect{0, static_cast<std::int16_t>(top), static_cast<std::int16_t>(width - 1),
                   static_cast<std::int16_t>(top + rows - 1)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int width = in.ConsumeIntegralInRange(1, kMaxWidth);
  const int height = in.ConsumeIntegralInRange(1, kMaxHeight);
  maze::TestScreen screen(width, height, in.ConsumeIntegralInRange(0, height));
  screen.placeCursor({static_cast<std::int16_t>(in.ConsumeIntegralInRange(0, width - 1)),
                      static_cast<std::int16_t>(in.ConsumeIntegralInRange(0, height - 1))});
  maze::TestHost host;
  maze::ConsoleState console(host, screen);
  maze::startConsole(console, 0, nullptr);
  console.pendingLineFeed = in.ConsumeBool();

  for (int step = 0; step < kMaxSteps && in.remaining_bytes() > 0; ++step) {
    switch (in.ConsumeIntegralInRange(0, 9)) {
      case 0: screen.setWindow(randomWindow(in, screen.width(), screen.height())); break;
      case 1:
        screen.resizeBuffer(in.ConsumeIntegralInRange(1, kMaxWidth),
                            in.ConsumeIntegralInRange(1, kMaxHeight));
        break;
      case 2: console.pendingLineFeed = in.ConsumeBool(); break;
      case 3: maze::clearScreen(console, in.ConsumeIntegralInRange<std::uint32_t>(0, 3)); break;
      case 4:
        maze::moveCursor(console, in.ConsumeIntegralInRange(-2, kMaxHeight + 2),
                         in.ConsumeIntegralInRange(-2, kMaxWidth + 2),
                         in.ConsumeIntegralInRange(-1, 1));
        break;
      case 5:
        screen.failInfoCalls = in.ConsumeIntegralInRange(0, 2);
        screen.failWriteCellsCalls = in.ConsumeIntegralInRange(0, 2);
        break;
      case 6:
        maze::printInteger(console, in.ConsumeIntegral<std::int32_t>(), in.ConsumeBool());
        break;
      default: {
        const std::string bytes = in.ConsumeRandomLengthString(1200);
        maze::consoleWrite(console, bytes.data(), bytes.size(),
                           in.ConsumeBool() ? maze::WriteEmpty::Run : maze::WriteEmpty::Skip);
        break;
      }
    }
    maze::fuzz::checkInvariants(screen, console);
  }
  return 0;
}
