#include "game/turn.hpp"

#include <gtest/gtest.h>

#include <cstdint>

#include "game_fixture.hpp"

namespace maze {
namespace {

class TurnLoop : public GameTest {
 protected:
  static std::string moved(const char* typed, const char* way) {
    return prompted(typed) + "You move " + way + " through the caves\n";
  }
  void move(const std::string& way) {
    answer(way);
    pressKey();
  }
  int playTurns() {
    return play([&] { runTurnLoop(console, game); });
  }
};

TEST_F(TurnLoop, WalkingCollectsATreasureOnceAndWallsCostNoMove) {
  quietGame(1);
  move("n");  // room 4
  move("e");  // room 7, treasure
  move("e");  // wall
  move("w");  // room 4
  move("E");  // room 7 again
  answer("q");
  EXPECT_EQ(playTurns(), 0);

  ASSERT_EQ(screens.size(), 11u);
  EXPECT_EQ(screens[1], moved("n", "north"));
  EXPECT_EQ(screens[3], moved("e", "east") + "You have found some treasure!\n");
  EXPECT_EQ(screens[5], prompted("e") + "You walk into a wall\n");
  EXPECT_EQ(screens[7], moved("w", "west"));
  EXPECT_EQ(screens[9], moved("E", "east"));
  EXPECT_EQ(game.currentRoom, 7);
  EXPECT_EQ(game.goldCount, 1);
  EXPECT_EQ(game.rooms[7], "N06W04");
  EXPECT_EQ(game.rumbleCountdown, -5) << "four moves; the wall is none";
  EXPECT_EQ(game.gnomeCountdown, -5);
}

TEST_F(TurnLoop, RoomTwosNorthAndEastLeadBackIntoItAsFullMoves) {
  quietGame(2);
  game.rumbleCountdown = 2;
  move("N");
  move("e");
  answer("q");
  EXPECT_EQ(playTurns(), 0);
  ASSERT_EQ(screens.size(), 5u);
  EXPECT_EQ(screens[1], moved("N", "north"));
  EXPECT_EQ(screens[3], moved("e", "east") + "Rumble Rumble Rumble\n");
  EXPECT_EQ(game.currentRoom, 2);
  EXPECT_EQ(game.gnomeCountdown, -3);
}

TEST_F(TurnLoop, AHoleKillsOnEntry) {
  const struct {
    int room;
    const char* way;
    const char* wayName;
  } holes[] = {{18, "n", "north"}, {23, "E", "east"}};
  for (const auto& hole : holes) {
    screens.clear();
    quietGame(hole.room);
    game.gnomeCountdown = 1;
    move(hole.way);
    EXPECT_EQ(playTurns(), 0);
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[1], moved(hole.way, hole.wayName) +
                              "You fall down a hole in the ground\nYou have died, you lose\n");
    EXPECT_EQ(game.gnomeCountdown, 1) << "no hazard step after a fall";
  }
}

// The maze exits rubble closes in each state; the rest lead to the question.
TEST_F(TurnLoop, RubbleBlocksTheMazeExitsOfItsState) {
  const struct {
    int room;
    const char* way;
    const char* wayName;
    bool blockedIn[4];  // by RubbleState 1 to 3; [0] unused
  } exits[] = {{1, "s", "south", {false, false, true, false}},
               {10, "e", "east", {false, true, false, true}},
               {11, "N", "north", {false, true, false, false}},
               {15, "w", "west", {false, false, false, true}}};
  for (int state = 1; state <= 3; ++state) {
    for (const auto& exit : exits) {
      SCOPED_TRACE("room " + std::to_string(exit.room) + " state " + std::to_string(state));
      screens.clear();
      quietGame(exit.room);
      game.rubbleState = state;
      game.rumbleCountdown = 3;
      answer(exit.way);
      if (exit.blockedIn[state]) {
        pressKey();
      } else {
        answer("n");
      }
      answer("q");
      EXPECT_EQ(playTurns(), 0);
      ASSERT_EQ(screens.size(), 3u);
      if (exit.blockedIn[state]) {
        EXPECT_EQ(screens[1],
                  moved(exit.way, exit.wayName) + "The path is blocked by fallen rubble\n");
      } else {
        EXPECT_EQ(screens[1], "Are you sure you want to leave the maze (Y, N)?\n");
      }
      EXPECT_EQ(screens[2], prompted(""));
      EXPECT_EQ(game.currentRoom, exit.room);
      EXPECT_EQ(game.rumbleCountdown, 3);
      EXPECT_EQ(exitBlocked(game, exit.way[0] == 's'   ? kSouth
                                  : exit.way[0] == 'e' ? kEast
                                  : exit.way[0] == 'N' ? kNorth
                                                       : kWest),
                exit.blockedIn[state]);
    }
  }
}

TEST_F(TurnLoop, TheMazeHoldsAtExactlyNineHundredSeconds) {
  quietGame(1);
  game.entryTime = 1000;
  host.setSeconds(1900);
  ASSERT_EQ(timerSeconds(console), 1900.0);
  answer("q");
  EXPECT_EQ(playTurns(), 0);
  EXPECT_EQ(screens, std::vector<std::string>{prompted("")});
}

TEST_F(TurnLoop, TheMazeCollapsesJustPastTheLimit) {
  quietGame(1);
  game.entryTime = 1000;
  host.setSeconds(1900.0001);
  pressKey();
  EXPECT_EQ(playTurns(), 0);
  EXPECT_EQ(screens, std::vector<std::string>{"The maze is collapsing\nYou have died, you lose\n"});
}

TEST_F(TurnLoop, AMoveAnsweredAcrossTheLimitStillHappens) {
  quietGame(1);
  game.entryTime = 1000;
  host.setSeconds(1899.9);
  then([this] {
    host.setSeconds(1950);
    host.typeText("e\r");
  });
  pressKey();
  pressKey();
  EXPECT_EQ(playTurns(), 0);
  ASSERT_EQ(screens.size(), 3u);
  EXPECT_EQ(screens[1], moved("e", "east"));
  EXPECT_EQ(screens[2], "The maze is collapsing\nYou have died, you lose\n");
  EXPECT_EQ(game.currentRoom, 2);
}

// A long game must not nest a call per turn: the prompt of the last turn is
// reached at the same stack depth as that of an early one.
TEST_F(TurnLoop, AHundredThousandTurnsRunInConstantStack) {
  quietGame(1);
  game.entryTime = 2'000'000'000;
  constexpr int kTurns = 100'000;
  int turns = 0;
  std::uintptr_t earlyDepth = 0, lateDepth = 0;
  host.onIdle = [&] {
    if (screen.rowText(1).empty() && screen.rowText(0) + "\n" == prompted("")) {
      const auto depth = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
      if (++turns == 10) earlyDepth = depth;
      if (turns > kTurns) {
        lateDepth = depth;
        host.typeText("q\r");
      } else {
        host.typeText(turns % 2 ? "e\r" : "w\r");
      }
    } else {
      host.typeText(" ");
    }
  };
  EXPECT_EQ(playTurns(), 0);
  EXPECT_EQ(turns, kTurns + 1);
  EXPECT_EQ(earlyDepth, lateDepth);
  EXPECT_EQ(game.currentRoom, 1);
  EXPECT_EQ(game.rumbleCountdown, -1 - kTurns);
}

}  // namespace
}  // namespace maze
