// A whole game in the terminal, from the entrance to the win, reacting to whatever comes.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/game_screen.hpp"
#include "support/maze_map.hpp"
#include "support/pty_session.hpp"
#include "support/wait_status.hpp"

namespace e2e {
namespace {

using maze::Direction;

// A turn prints all its lines at once and then waits for a key; this long without output
// means the turn has said everything.
constexpr Millis kTurnQuiet{400};

// What the player knows while walking: the map, where they are, and which exits were found
// blocked since the last rumble. The rubble's rules are not used to choose the way, only to
// check what the game says.
struct Player {
  int room = 1;
  int rubbleState = 1;
  int gold = 0;
  std::vector<int> treasuresWanted = {7, 9};
  std::set<maze::Exit> foundBlocked;
  std::vector<std::string> log;

  Direction nextMove() const {
    std::optional<Direction> step;
    if (!treasuresWanted.empty()) {
      step = maze::firstStepTo(room, treasuresWanted.front());
    } else {
      step = maze::firstStepOut(room, foundBlocked);
    }
    return step.value_or(Direction::kNorth);
  }
};

std::string journal(const Player& player) {
  std::string text;
  for (const auto& line : player.log) text += line + "\n";
  return text;
}

TEST(WholeGame, WalkCollectingTreasureAndLeaveThroughAnOpenExit) {
  PtySession session;
  VtermScreen& screen = session.screen();
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
  session.send("n\r");
  ASSERT_TRUE(session.waitForText(game::kEntranceLines[2])) << session.dump();
  session.send(" ");

  Player player;
  for (int turn = 0; turn < 60; ++turn) {
    ASSERT_TRUE(game::waitForDirectionPrompt(session)) << journal(player) << session.dump();
    Direction move = player.nextMove();
    player.log.push_back("room " + std::to_string(player.room) + ": " + maze::letter(move));
    session.send(std::string(1, maze::letter(move)) + "\r");
    ASSERT_TRUE(session.waitUntil([&] {
      return screen.contains("You move ") || screen.contains(game::kWall) ||
             screen.contains(game::shown(game::kLeavePrompt));
    })) << journal(player)
        << session.dump();
    session.settle(kTurnQuiet);
    ASSERT_FALSE(screen.contains(game::kWall)) << journal(player) << session.dump();

    if (screen.contains(game::shown(game::kLeavePrompt))) {
      EXPECT_FALSE(maze::blockedByRubble(move, player.rubbleState))
          << "left through an exit that rubble state " << player.rubbleState << " blocks\n"
          << journal(player);
      EXPECT_EQ(screen.row(0), game::shown(game::kLeavePrompt));
      EXPECT_EQ(screen.cursor(), (CursorPos{0, static_cast<int>(game::kLeavePrompt.size())}));
      session.send("y\r");
      ASSERT_TRUE(session.waitForText(game::kPressToEnd)) << journal(player) << session.dump();
      EXPECT_EQ(screen.row(1),
                std::string(game::kFinished) + " " + std::to_string(player.gold) + " gold");
      EXPECT_EQ(screen.row(2), game::kPressToEnd);
      session.send(" ");
      auto status = session.waitExit();
      EXPECT_TRUE(exitedWith(status, 0)) << describeStatus(status);
      EXPECT_EQ(player.gold, 2);
      EXPECT_EQ(session.settingsNow(), session.settingsBefore());
      return;
    }

    ASSERT_TRUE(screen.contains(maze::moveMessage(move))) << journal(player) << session.dump();
    if (screen.contains(game::kRubble)) {
      player.log.push_back("  blocked by rubble");
      EXPECT_TRUE(maze::blockedByRubble(move, player.rubbleState))
          << "rubble state " << player.rubbleState << " leaves this exit open\n"
          << journal(player);
      player.foundBlocked.insert({player.room, move});
      session.send(" ");
      continue;
    }
    player.room = maze::exitOf(player.room, move);
    if (screen.contains(game::kTreasure)) {
      ASSERT_TRUE(maze::hasTreasure(player.room)) << journal(player) << session.dump();
      ++player.gold;
      std::erase(player.treasuresWanted, player.room);
      player.log.push_back("  treasure");
    }
    if (screen.contains(game::kRumble)) {
      player.rubbleState = player.rubbleState % 3 + 1;
      player.foundBlocked.clear();
      player.log.push_back("  rumble");
    }
    if (screen.contains(game::kGnomeLast)) {
      player.log.push_back("  gnome");
      session.send(" ");
      ASSERT_TRUE(game::waitForDirectionPrompt(session)) << journal(player) << session.dump();
      session.send(std::string(1, maze::letter(maze::opposite(move))) + "\r");
      ASSERT_TRUE(session.waitForText(game::kEscaped)) << journal(player) << session.dump();
      session.settle(kTurnQuiet);
    }
    ASSERT_FALSE(screen.contains(game::kDied)) << journal(player) << session.dump();
    session.send(" ");
  }
  FAIL() << "still in the maze after 60 turns\n" << journal(player);
}

}  // namespace
}  // namespace e2e
