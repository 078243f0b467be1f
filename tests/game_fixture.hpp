// Scripted games on the in-memory console: each time the game waits for
// input, the screen is recorded and the next scripted step runs.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "console/screen.hpp"
#include "game/maze.hpp"
#include "platform/model/model_console.hpp"

namespace maze {

inline constexpr const char* kPrompt = "Choose A Direction (N, S, E, W) (Or Press Q To Quit) ";
inline constexpr const char* kLeavePrompt = "Are you sure you want to leave the maze (Y, N)? ";

// The game waited for input that the script does not give.
struct ScriptEnded {};

// A console whose clock can move on by itself at every reading, for code
// that waits on the clock without waiting for input.
class TestConsole : public ModelConsole {
 public:
  using ModelConsole::ModelConsole;
  bool queryPerformanceCounter(std::int64_t& counter) override {
    if (msPerClockReading > 0) advanceMs(msPerClockReading);
    return ModelConsole::queryPerformanceCounter(counter);
  }
  double msPerClockReading = 0;
};

class GameTest : public ::testing::Test {
 protected:
  GameTest() {
    startConsole(console, 0, nullptr);
    model.onIdle = [this](ModelConsole&) {
      screens.push_back(screen());
      if (steps.empty()) throw ScriptEnded{};
      auto step = std::move(steps.front());
      steps.pop_front();
      step();
    };
  }

  // What happens at the next wait for input.
  void then(std::function<void()> step) { steps.push_back(std::move(step)); }
  void answer(const std::string& line) {
    then([this, line] { model.typeText(line + "\r"); });
  }
  void pressKey() {
    then([this] { model.typeText("x"); });
  }

  // Runs `body` to the end of the program; the exit status, or -1 after
  // reporting a failure when the game outran the script or returned.
  int play(const std::function<void()>& body) {
    try {
      body();
    } catch (const ProcessExit& exit) {
      EXPECT_TRUE(steps.empty()) << steps.size() << " scripted steps left unused";
      return exit.status;
    } catch (const ScriptEnded&) {
      ADD_FAILURE() << "the game waited beyond the script; screen:\n" << screen();
      return -1;
    }
    ADD_FAILURE() << "the game returned";
    return -1;
  }

  // A game as start-up leaves it, in `room`, with both hazards switched off.
  void quietGame(int room) {
    loadMap(game.rooms);
    game.currentRoom = room;
    game.rubbleState = 1;
    game.rumbleCountdown = -1;
    game.gnomeCountdown = -1;
    game.gnomeTimeLimit = 5;
    game.entryTime = static_cast<std::int32_t>(model.seconds());
  }

  std::string screen() const { return rows(model.windowText()); }
  // The screen at the n-th wait (0-based).
  const std::string& screenAt(std::size_t n) const {
    static const std::string none = "<no such wait>";
    return n < screens.size() ? screens[n] : none;
  }

  // The window's rows up to the last non-blank one, each ended by '\n'.
  static std::string rows(const std::string& windowText) {
    std::string text = windowText;
    text.erase(text.find_last_not_of('\n') + 1);
    return text.empty() ? text : text + "\n";
  }
  // The direction prompt's row with `typed` after it, as the screen shows it.
  static std::string prompted(const std::string& typed) {
    std::string row = kPrompt + typed;
    row.erase(row.find_last_not_of(' ') + 1);
    return row + "\n";
  }

  TestConsole model{80, 25};
  ConsoleState console{model};
  GameState game;
  std::deque<std::function<void()>> steps;
  std::vector<std::string> screens;
};

}  // namespace maze
