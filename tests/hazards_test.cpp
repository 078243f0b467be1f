#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "game/turn.hpp"
#include "game_fixture.hpp"

namespace maze {
namespace {

constexpr const char* kGnomeLines =
    "As you head down the path\n"
    "You see a small figure in a corner\n"
    "The small figure throws an axe at you\n"
    "You realise that it is a gnome\n"
    "Run back the way you came or you will die\n";
constexpr const char* kWrongWay =
    "You idiot, you ran into the darkness not knowing what was there\n"
    "The gnome hits you with his axe\n"
    "You have died, you lose\n";

class Hazards : public GameTest {
 protected:
  void move(const std::string& way) {
    answer(way);
    pressKey();
  }
  // The gnome waits in the room the move leads into; it starts at
  // `start` seconds and allows five.
  void gnomeAhead(int room, double start = 2000.4) {
    host.setSeconds(start);
    quietGame(room);
    game.gnomeCountdown = 1;
  }
  void fleeAt(double seconds, const std::string& way) {
    then([this, seconds, way] {
      host.setSeconds(seconds);
      host.typeText(way + "\r");
    });
  }
  int playTurns() {
    return play([&] { runTurnLoop(console, game); });
  }
};

struct Flight {
  int room;
  const char* way;
  const char* wayName;
  const char* escape;
  int roomAfter;
};

TEST_F(Hazards, RunningBackInTimeEscapesTheGnome) {
  const Flight flights[] = {{1, "n", "north", "s", 4},
                            {4, "S", "south", "N", 1},
                            {1, "e", "east", "W", 2},
                            {2, "W", "west", "e", 1}};
  for (const Flight& flight : flights) {
    SCOPED_TRACE(flight.way);
    screens.clear();
    gnomeAhead(flight.room, 14112.4);
    answer(flight.way);
    pressKey();
    fleeAt(14116.9, flight.escape);
    pressKey();
    answer("q");
    EXPECT_EQ(playTurns(), 0);

    ASSERT_EQ(screens.size(), 5u);
    EXPECT_EQ(screens[1], prompted(flight.way) + "You move " + flight.wayName +
                              " through the caves\n" + kGnomeLines);
    EXPECT_EQ(screens[2], prompted(""));
    EXPECT_EQ(screens[3], prompted(flight.escape) + "You escaped from the gnome\n");
    EXPECT_EQ(game.gnomeStartTime, 14112);
    EXPECT_EQ(game.currentRoom, flight.roomAfter) << "fleeing is no move";
    EXPECT_EQ(game.rumbleCountdown, -2);
    // Redrawn from the timer: the draw at 14116 is 0.5, and 12.5 rounds to even.
    EXPECT_EQ(game.gnomeCountdown, 12);
  }
}

TEST_F(Hazards, AnAnswerTooLateIsDeadlyEvenWhenTheWayIsRight) {
  // The start rounds to 2000, so 2005.6 is past the five seconds.
  for (const char* escape : {"e", "n"}) {
    screens.clear();
    gnomeAhead(2);
    move("w");
    fleeAt(2005.6, escape);
    pressKey();
    EXPECT_EQ(playTurns(), 0);
    ASSERT_EQ(screens.size(), 4u);
    EXPECT_EQ(screens[3],
              prompted(escape) + "The axe chops your head off\nYou have died, you lose\n");
  }
}

// The start is rounded, ties to even; the limit itself is still in time.
TEST_F(Hazards, TheTimeLimitCountsFromTheRoundedStart) {
  const struct {
    double start;
    int rounded;
    int limit;
    double answeredAt;
    bool escapes;
  } cases[] = {{2000.5, 2000, 5, 2005.0, true},
               {2000.5, 2000, 5, 2005.0001, false},
               {2001.5, 2002, 8, 2010.0, true},
               {2001.5, 2002, 8, 2010.0001, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answeredAt);
    screens.clear();
    gnomeAhead(2, c.start);
    game.gnomeTimeLimit = c.limit;
    move("w");
    fleeAt(c.answeredAt, "e");
    pressKey();
    if (c.escapes) answer("q");
    EXPECT_EQ(playTurns(), 0);
    EXPECT_EQ(game.gnomeStartTime, c.rounded);
    ASSERT_GE(screens.size(), 4u);
    EXPECT_EQ(screens[3], prompted("e") + (c.escapes ? "You escaped from the gnome\n"
                                                     : "The axe chops your head off\n"
                                                       "You have died, you lose\n"));
  }
}

TEST_F(Hazards, AnyOtherWayIsDeadly) {
  for (const char* escape : {"w", "W", "n", "s", "N"}) {
    screens.clear();
    gnomeAhead(2);
    move("w");
    fleeAt(2001, escape);
    pressKey();
    EXPECT_EQ(playTurns(), 0);
    ASSERT_EQ(screens.size(), 4u);
    EXPECT_EQ(screens[3], prompted(escape) + kWrongWay);
  }
}

TEST_F(Hazards, TheGnomesPromptAsksAgainForNonsenseAndQuitsOnQ) {
  gnomeAhead(1);
  move("e");
  for (const char* junk : {"", "x", "west", "w "}) answer(junk);
  answer("Q");
  EXPECT_EQ(playTurns(), 0);
  ASSERT_EQ(screens.size(), 7u);
  for (int i = 2; i < 7; ++i) EXPECT_EQ(screens[i], prompted(""));
  EXPECT_EQ(shown(), prompted("Q"));
}

TEST_F(Hazards, ARumblePutsOffAGnomeDueOnTheSameMoveByFiveMoves) {
  quietGame(1);
  game.rumbleCountdown = 1;
  game.gnomeCountdown = 1;
  answer("e");
  then([this] {
    EXPECT_EQ(game.gnomeCountdown, 5);
    EXPECT_EQ(game.rubbleState, 2);
    game.rumbleCountdown = 100;
    host.typeText(" ");
  });
  for (const char* way : {"w", "e", "w", "e"}) move(way);
  answer("w");
  pressKey();
  answer("e");
  pressKey();
  answer("q");
  EXPECT_EQ(playTurns(), 0);

  ASSERT_EQ(screens.size(), 15u);
  EXPECT_EQ(screens[1], prompted("e") + "You move east through the caves\nRumble Rumble Rumble\n");
  for (int i = 3; i <= 9; i += 2) {
    EXPECT_EQ(screens[i].find("gnome"), std::string::npos) << screens[i];
  }
  EXPECT_EQ(screens[11], prompted("w") + "You move west through the caves\n" + kGnomeLines);
  EXPECT_EQ(screens[13], prompted("e") + "You escaped from the gnome\n");
}

// Each rumble redraws its countdown from the timer: 30 times the draw,
// rounded ties to even (the draw at 4855 is 0.75).
TEST_F(Hazards, RumblesTurnTheRubbleRoundOneTwoThree) {
  quietGame(1);
  game.entryTime = 1'000'000;
  const int expectedState[] = {2, 3, 1, 2};
  const double seconds[] = {3000.2, 4855.2, 3014.2, 3021.2};
  const int countdowns[] = {8, 22, 26, 5};
  for (int i = 0; i < 4; ++i) {
    const double now = seconds[i];
    then([this, i, now] {
      game.rumbleCountdown = 1;
      host.setSeconds(now);
      host.typeText(i % 2 ? "w\r" : "e\r");
    });
    then([this, i, &expectedState, &countdowns] {
      EXPECT_EQ(game.rubbleState, expectedState[i]);
      EXPECT_EQ(game.rumblePhase, (i + 1) % 3);
      EXPECT_EQ(game.rumbleCountdown, countdowns[i]);
      host.typeText(" ");
    });
  }
  answer("q");
  EXPECT_EQ(playTurns(), 0);
}

TEST_F(Hazards, ACountdownRedrawnAsZeroNeverFiresAgain) {
  quietGame(1);
  game.rumbleCountdown = 0;
  game.gnomeCountdown = 0;
  game.rubbleState = 2;
  game.rumblePhase = 1;
  for (int i = 0; i < 20; ++i) {
    move("e");
    move("w");
  }
  answer("q");
  EXPECT_EQ(playTurns(), 0);
  ASSERT_EQ(screens.size(), 81u);
  for (int i = 1; i < 80; i += 2) {
    EXPECT_EQ(screens[i], i % 4 == 1 ? prompted("e") + "You move east through the caves\n"
                                     : prompted("w") + "You move west through the caves\n");
  }
  EXPECT_EQ(game.rubbleState, 2);
  EXPECT_EQ(game.rumbleCountdown, -40);
  EXPECT_EQ(game.gnomeCountdown, -40);
}

// However long a game runs, a switched-off hazard never comes round again.
TEST_F(Hazards, ACountdownRunDownToItsFloorStaysThere) {
  quietGame(1);
  game.rumbleCountdown = std::numeric_limits<std::int32_t>::min();
  game.gnomeCountdown = std::numeric_limits<std::int32_t>::min() + 1;
  move("e");
  move("w");
  answer("q");
  EXPECT_EQ(playTurns(), 0);
  EXPECT_EQ(screens[1], prompted("e") + "You move east through the caves\n");
  EXPECT_EQ(screens[3], prompted("w") + "You move west through the caves\n");
  EXPECT_EQ(game.rumbleCountdown, std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(game.gnomeCountdown, std::numeric_limits<std::int32_t>::min());
}

}  // namespace
}  // namespace maze
