// Whole games in the terminal, from the entrance to the end, reacting to whatever comes.
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

// Sends a move with the key for the pause after it; what the program wrote
// until it asked for a direction again, or ended.
std::string takeTurn(PtySession& session, Direction move) {
  const std::size_t from = session.transcript().size();
  session.send(std::string(1, maze::letter(move)) + "\r ");
  session.waitUntil([&] {
    return session.transcript().find(game::shown(game::kDirectionPrompt), from) !=
               std::string::npos &&
           game::showsDirectionPrompt(session.screen());
  });
  return session.transcript().substr(from);
}

bool says(const std::string& output, std::string_view text) {
  return output.find(text) != std::string::npos;
}

void enterTheCaves(PtySession& session) {
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
  session.send("n\r");
  ASSERT_TRUE(session.waitForText(game::kEntranceLines[2])) << session.dump();
  session.send(" ");
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
}

// What the player knows while walking: the map, where they are, and which exits were found
// blocked since the last rumble. The rubble's rules are not used to choose the way, only to
// check what the game says.
struct Player {
  int room = 1;
  int rubbleState = 1;
  int gold = 0;
  std::vector<int> treasuresWanted = {7, 9, 14, 18};
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

TEST(WholeGame, WalkCollectingAllTreasureAndLeaveThroughAnOpenExit) {
  PtySession session;
  VtermScreen& screen = session.screen();
  ASSERT_NO_FATAL_FAILURE(enterTheCaves(session));

  Player player;
  for (int turn = 0; turn < 80; ++turn) {
    Direction move = player.nextMove();
    player.log.push_back("room " + std::to_string(player.room) + ": " + maze::letter(move));
    if (maze::exitOf(player.room, move) == maze::kOutside) {
      session.send(std::string(1, maze::letter(move)) + "\r");
      ASSERT_TRUE(session.waitUntil([&] {
        return screen.contains(game::kRubble) || screen.contains(game::shown(game::kLeavePrompt));
      })) << journal(player)
          << session.dump();
      if (screen.contains(game::kRubble)) {
        player.log.push_back("  blocked by rubble");
        EXPECT_TRUE(maze::blockedByRubble(move, player.rubbleState))
            << "rubble state " << player.rubbleState << " leaves this exit open\n"
            << journal(player);
        player.foundBlocked.insert({player.room, move});
        session.send(" ");
        ASSERT_TRUE(game::waitForDirectionPrompt(session)) << journal(player) << session.dump();
        continue;
      }
      EXPECT_FALSE(maze::blockedByRubble(move, player.rubbleState))
          << "left through an exit that rubble state " << player.rubbleState << " blocks\n"
          << journal(player);
      EXPECT_EQ(screen.row(0), game::shown(game::kLeavePrompt));
      EXPECT_EQ(screen.cursor(), (CursorPos{0, static_cast<int>(game::kLeavePrompt.size())}));
      session.send("y\r");
      ASSERT_TRUE(session.waitForText(game::kPressToEnd)) << journal(player) << session.dump();
      EXPECT_EQ(screen.row(1), std::string(game::kFinished) + " 4 gold");
      EXPECT_EQ(screen.row(2), game::kPressToEnd);
      session.send(" ");
      auto status = session.waitExit();
      EXPECT_TRUE(exitedWith(status, 0)) << describeStatus(status);
      EXPECT_EQ(player.gold, 4);
      EXPECT_TRUE(session.settingsAsBefore());
      return;
    }

    std::string said = takeTurn(session, move);
    ASSERT_TRUE(says(said, maze::moveMessage(move))) << journal(player) << session.dump();
    player.room = maze::exitOf(player.room, move);
    if (says(said, game::kTreasure)) {
      ASSERT_TRUE(maze::hasTreasure(player.room)) << journal(player) << session.dump();
      ++player.gold;
      std::erase(player.treasuresWanted, player.room);
      player.log.push_back("  treasure");
    }
    if (says(said, game::kRumble)) {
      player.rubbleState = player.rubbleState % 3 + 1;
      player.foundBlocked.clear();
      player.log.push_back("  rumble");
    }
    if (says(said, game::kGnomeLast)) {
      player.log.push_back("  gnome");
      said = takeTurn(session, maze::opposite(move));
      ASSERT_TRUE(says(said, game::kEscaped)) << journal(player) << session.dump();
    }
    ASSERT_FALSE(says(said, game::kDied)) << journal(player) << session.dump();
  }
  FAIL() << "still in the maze after 80 turns\n" << journal(player);
}

// The shortest way into a hole: east, south, east; a gnome on the way is
// run from.
TEST(WholeGame, AHoleEndsTheGame) {
  PtySession session;
  ASSERT_NO_FATAL_FAILURE(enterTheCaves(session));
  for (Direction move : {Direction::kEast, Direction::kSouth}) {
    std::string said = takeTurn(session, move);
    if (says(said, game::kGnomeLast)) said = takeTurn(session, maze::opposite(move));
    ASSERT_FALSE(says(said, game::kDied)) << session.dump();
  }
  takeTurn(session, Direction::kEast);
  auto status = session.waitExit();
  EXPECT_TRUE(exitedWith(status, 0)) << describeStatus(status);
  EXPECT_EQ(session.screen().row(1), maze::moveMessage(Direction::kEast));
  EXPECT_EQ(session.screen().row(2), "You fall down a hole in the ground");
  EXPECT_EQ(session.screen().row(3), game::kDied);
}

}  // namespace
}  // namespace e2e
