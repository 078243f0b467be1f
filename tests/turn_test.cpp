#include "game/turn.hpp"

#include <gtest/gtest.h>

#include <cstdint>

#include "game_fixture.hpp"

namespace maze {
namespace {

using TurnLoop = GameTest;

TEST_F(TurnLoop, WalkingCollectsATreasureOnceAndWallsCostNoMove) {
  quietGame(1);
  for (const char* way : {"n", "e", "e", "w", "E"}) move(way);  // 4, 7, a wall, 4, 7 again
  answer("q");
  EXPECT_EQ(playTurns(), 0);
  ASSERT_EQ(screens.size(), 11u);
  EXPECT_EQ(screens[1], moved("n"));
  EXPECT_EQ(screens[3], moved("e") + "You have found some treasure!\n");
  EXPECT_EQ(screens[5], prompted("e") + "You walk into a wall\n");
  EXPECT_EQ(screens[7], moved("w"));
  EXPECT_EQ(screens[9], moved("E"));
  EXPECT_EQ(game.currentRoom, 7);
  EXPECT_EQ(game.goldCount, 1);
  EXPECT_EQ(game.rooms[7], "N06W04");
  EXPECT_EQ(game.rumbleCountdown, -5) << "four moves; the wall is none";
  EXPECT_EQ(game.gnomeCountdown, -5);
}

TEST_F(TurnLoop, RoomTwosNorthAndEastLeadBackIntoItAsFullMoves) {
  quietGame(2);
  game.rumbleCountdown = 2;
  for (const char* way : {"N", "e"}) move(way);
  answer("q");
  EXPECT_EQ(playTurns(), 0);
  EXPECT_EQ(screens, (Screens{prompted(""), moved("N"), prompted(""),
                              moved("e") + "Rumble Rumble Rumble\n", prompted("")}));
  EXPECT_EQ(game.currentRoom, 2);
  EXPECT_EQ(game.gnomeCountdown, -3);
}

TEST_F(TurnLoop, AHoleKillsOnEntry) {
  const struct {
    int room;
    const char* way;
  } holes[] = {{18, "n"}, {23, "E"}};
  for (const auto& hole : holes) {
    screens.clear();
    quietGame(hole.room);
    game.gnomeCountdown = 1;
    move(hole.way);
    EXPECT_EQ(playTurns(), 0);
    const std::string fall = "You fall down a hole in the ground\n";
    EXPECT_EQ(screens, (Screens{prompted(""), moved(hole.way) + fall + kDied}));
    EXPECT_EQ(game.gnomeCountdown, 1) << "no hazard step after a fall";
  }
}

// The maze exits rubble closes in each state; the rest lead to the question.
TEST_F(TurnLoop, RubbleBlocksTheMazeExitsOfItsState) {
  const struct {
    int room;
    const char* way;
    Direction direction;
    bool blockedIn[4];  // by RubbleState 1 to 3; [0] unused
  } exits[] = {{1, "s", kSouth, {false, false, true, false}},
               {10, "e", kEast, {false, true, false, true}},
               {11, "N", kNorth, {false, true, false, false}},
               {15, "w", kWest, {false, false, false, true}}};
  for (int state = 1; state <= 3; ++state) {
    for (const auto& exit : exits) {
      SCOPED_TRACE("room " + std::to_string(exit.room) + " state " + std::to_string(state));
      const bool blocked = exit.blockedIn[state];
      screens.clear();
      quietGame(exit.room);
      game.rubbleState = state;
      game.rumbleCountdown = 3;
      answer(exit.way);
      answer(blocked ? "" : "n");  // the key after the message, or No to leaving
      answer("q");
      EXPECT_EQ(playTurns(), 0);
      EXPECT_EQ(screens,
                (Screens{prompted(""),
                         blocked ? moved(exit.way) + "The path is blocked by fallen rubble\n"
                                 : prompted("", kLeavePrompt),
                         prompted("")}));
      EXPECT_EQ(game.currentRoom, exit.room);
      EXPECT_EQ(game.rumbleCountdown, 3);
      EXPECT_EQ(exitBlocked(game, exit.direction), blocked);
    }
  }
}

// Equal to the limit is still in time; just past it the maze collapses.
TEST_F(TurnLoop, TheMazeHoldsForExactlyNineHundredSeconds) {
  for (const double now : {1900.0, 1900.0001}) {
    screens.clear();
    quietGame(1);
    game.entryTime = 1000;
    host.setSeconds(now);
    ASSERT_EQ(timerSeconds(console), now);
    answer("q");  // the quit, or the key after the collapse
    EXPECT_EQ(playTurns(), 0);
    EXPECT_EQ(screens, Screens{now == 1900.0 ? prompted("")
                                             : "The maze is collapsing\n" + std::string(kDied)});
  }
}

TEST_F(TurnLoop, AMoveAnsweredAcrossTheLimitStillHappens) {
  quietGame(1);
  game.entryTime = 1000;
  host.setSeconds(1899.9);
  typeAt(1950, "e\r");
  pressKey();
  pressKey();
  EXPECT_EQ(playTurns(), 0);
  EXPECT_EQ(screens,
            (Screens{prompted(""), moved("e"), "The maze is collapsing\n" + std::string(kDied)}));
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
