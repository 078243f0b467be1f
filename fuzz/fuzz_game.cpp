// Whole games on an in-memory screen of random size, played by random keys
// with the clock jumping between waits, close events now and then, and
// either timer. Every game must end through the process exit with status 0,
// keep its state in range, and never wait for input that cannot come.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "console/console.hpp"
#include "game/entrance.hpp"
#include "game/maze.hpp"
#include "invariants.hpp"
#include "support/test_host.hpp"
#include "support/test_screen.hpp"

namespace {

using maze::TestHost;

// A host whose clock moves on a little at every reading of either timer, as
// a real one does, so code that waits for the next second gets there.
class TickingHost : public TestHost {
 public:
  TickingHost() { msPerClockReading = 1; }
  std::uint32_t tickCount() override {
    advanceMs(1);
    return TestHost::tickCount();
  }
};

void checkGame(const maze::GameState& game) {
  // Zero until start-up has run.
  if (game.currentRoom < 0 || game.currentRoom > maze::kRoomCount)
    maze::fuzz::broken("no such room");
  if (game.rubbleState < 0 || game.rubbleState > 3) maze::fuzz::broken("no such rubble state");
  if (game.goldCount < 0 || game.goldCount > 4) maze::fuzz::broken("more gold than the maze holds");
  for (const std::string& code : game.rooms) {
    if (code.size() > 16) maze::fuzz::broken("a room code grew");
  }
}

void typeSomething(TestHost& host, FuzzedDataProvider& in) {
  static constexpr char kUseful[] = "nNsSeEwWqQyY\r\r\r\b";
  switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0:
      host.typeText(std::string(1, static_cast<char>(in.ConsumeIntegral<std::uint8_t>())));
      break;
    case 1: host.raiseCtrlEvent(in.ConsumeIntegralInRange<std::uint32_t>(0, 6)); break;
    default: {
      const auto i = in.ConsumeIntegralInRange<std::size_t>(0, sizeof kUseful - 2);
      host.typeText(std::string(1, kUseful[i]));
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int width = in.ConsumeIntegralInRange(1, 100);
  const int height = in.ConsumeIntegralInRange(1, 40);
  maze::TestScreen screen(width, height, in.ConsumeIntegralInRange(0, height));
  TickingHost host;
  host.performanceCounterAvailable = in.ConsumeBool();
  host.setSeconds(in.ConsumeFloatingPointInRange(0.0, 4.0e9));
  maze::ConsoleState console(host, screen);
  maze::GameState game;

  host.onIdle = [&] {
    maze::fuzz::checkInvariants(screen, console);
    checkGame(game);
    if (in.remaining_bytes() == 0) {
      host.endInput();
      return;
    }
    // Mostly quick players, sometimes long pauses past the hazards' limits.
    const int pause = in.ConsumeIntegralInRange(0, 15);
    host.advanceMs(pause < 12 ? pause * 100.0 : pause * 120'000.0);
    const int keys = in.ConsumeIntegralInRange(1, 3);
    for (int i = 0; i < keys; ++i) typeSomething(host, in);
  };

  try {
    maze::runGame(console, game, 0, nullptr);
  } catch (const maze::ProcessExit& exit) {
    if (exit.status != 0) maze::fuzz::broken("a game ended with a status other than 0");
    maze::fuzz::checkInvariants(screen, console);
    checkGame(game);
    return 0;
  } catch (const maze::InputStarved&) {
    // A wait without limit met only a control event that gives no key.
    return 0;
  }
  maze::fuzz::broken("runGame returned");
}
