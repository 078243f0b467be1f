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
#include "support/test_host.hpp"
#include "support/test_screen.hpp"

namespace maze {

inline constexpr const char* kPrompt = "Choose A Direction (N, S, E, W) (Or Press Q To Quit) ";
inline constexpr const char* kLeavePrompt = "Are you sure you want to leave the maze (Y, N)? ";

// The game waited for input that the script does not give.
struct ScriptEnded {};

class GameTest : public ::testing::Test {
 protected:
  GameTest() {
    startConsole(console, 0, nullptr);
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

  std::string shown() const { return rows(screen.windowText()); }
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

  TestScreen screen{80, 25};
  TestHost host;
  ConsoleState console{host, screen};
  GameState game;
  std::deque<std::function<void()>> steps;
  std::vector<std::string> screens;
};

}  // namespace maze
