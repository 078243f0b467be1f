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
#include "game/turn.hpp"
#include "support/test_console.hpp"

namespace maze {

inline constexpr const char* kPrompt = "Choose A Direction (N, S, E, W) (Or Press Q To Quit) ";
inline constexpr const char* kLeavePrompt = "Are you sure you want to leave the maze (Y, N)? ";
inline constexpr const char* kDied = "You have died, you lose\n";

using Screens = std::vector<std::string>;

// The game waited for input that the script does not give.
struct ScriptEnded {};

class GameTest : public ::testing::Test, protected TestConsole {
 protected:
  GameTest() {
    host.onIdle = [this] {
      screens.push_back(shown());
      if (steps.empty()) throw ScriptEnded{};
      auto step = std::move(steps.front());
      steps.pop_front();
      step();
    };
  }

  // What happens at the next wait for input.
  void then(std::function<void()> step) { steps.push_back(std::move(step)); }
  void answer(const std::string& line) {
    then([this, line] { host.typeText(line + "\r"); });
  }
  void pressKey() {
    then([this] { host.typeText("x"); });
  }
  // Keys typed once the clock has come to `seconds`.
  void typeAt(double seconds, const std::string& keys) {
    then([this, seconds, keys] {
      host.setSeconds(seconds);
      host.typeText(keys);
    });
  }
  // A direction answered, then the key that ends the turn.
  void move(const std::string& way) {
    answer(way);
    pressKey();
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
      ADD_FAILURE() << "the game waited beyond the script; screen:\n" << shown();
      return -1;
    }
    ADD_FAILURE() << "the game returned";
    return -1;
  }
  int playTurns() {
    return play([&] { runTurnLoop(console, game); });
  }

  // A game as start-up leaves it, in `room`, with both hazards switched off.
  void quietGame(int room) {
    loadMap(game.rooms);
    game.currentRoom = room;
    game.rubbleState = 1;
    game.rumbleCountdown = -1;
    game.gnomeCountdown = -1;
    game.gnomeTimeLimit = 5;
    game.entryTime = static_cast<std::int32_t>(host.seconds());
  }

  // The window's rows up to the last non-blank one, each ended by '\n'.
  std::string shown() const {
    std::string text = screen.windowText();
    text.erase(text.find_last_not_of('\n') + 1);
    return text.empty() ? text : text + "\n";
  }
  // The prompt's row with `typed` after it, as the screen shows it.
  static std::string prompted(const std::string& typed, const char* prompt = kPrompt) {
    std::string row = prompt + typed;
    row.erase(row.find_last_not_of(' ') + 1);
    return row + "\n";
  }
  // The direction prompt answered with `typed`, and the move made.
  static std::string moved(const std::string& typed) {
    static const char* const kWays[] = {"north", "south", "east", "west"};
    const char* way = kWays[std::string("nsew").find(static_cast<char>(typed[0] | 0x20))];
    return prompted(typed) + "You move " + way + " through the caves\n";
  }

  GameState game;
  std::deque<std::function<void()>> steps;
  std::vector<std::string> screens;
};

}  // namespace maze
