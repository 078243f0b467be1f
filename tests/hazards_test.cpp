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
constexpr const char* kEscaped = "You escaped from the gnome\n";

class Hazards : public GameTest {
 protected:
  // The gnome waits in the room the move leads into; it starts at
  // `start` seconds and allows five.
  void gnomeAhead(int room, double start = 2000.4) {
    host.setSeconds(start);
    quietGame(room);
    game.gnomeCountdown = 1;
  }
};

TEST_F(Hazards, RunningBackInTimeEscapesTheGnome) {
  const struct {
    int room, roomAfter;
    const char *way, *escape;
  } flights[] = {{1, 4, "n", "s"}, {4, 1, "S", "N"}, {1, 2, "e", "W"}, {2, 1, "W", "e"}};
  for (const auto& flight : flights) {
    SCOPED_TRACE(flight.way);
    screens.clear();
    gnomeAhead(flight.room, 14112.4);
    move(flight.way);
    typeAt(14116.9, flight.escape + std::string("\r"));
    pressKey();
    answer("q");
    EXPECT_EQ(playTurns(), 0);
    EXPECT_EQ(screens, (Screens{prompted(""), moved(flight.way) + kGnomeLines, prompted(""),
                                prompted(flight.escape) + kEscaped, prompted("")}));
    EXPECT_EQ(game.gnomeStartTime, 14112);
    EXPECT_EQ(game.currentRoom, flight.roomAfter) << "fleeing is no move";
    EXPECT_EQ(game.rumbleCountdown, -2);
    // Redrawn from the timer: the draw at 14116 is 0.5, and 12.5 rounds to even.
    EXPECT_EQ(game.gnomeCountdown, 12);
  }
}

// Time is judged first, from the start rounded ties to even; the limit
// itself is still in time. Then only the way back escapes.
TEST_F(Hazards, TheFlightIsJudgedByTimeThenByWay) {
  const std::string kTooLate = "The axe chops your head off\n" + std::string(kDied);
  const std::string kWrongWay =
      "You idiot, you ran into the darkness not knowing what was there\n"
      "The gnome hits you with his axe\n" +
      std::string(kDied);
  const struct {
    double start;
    int rounded;
    double answeredAt;
    int limit;
    const char* way;
    std::string outcome;
  } flights[] = {
      {2000.5, 2000, 2005.0, 5, "e", kEscaped}, {2000.5, 2000, 2005.0001, 5, "e", kTooLate},
      {2001.5, 2002, 2010.0, 8, "e", kEscaped}, {2001.5, 2002, 2010.0001, 8, "e", kTooLate},
      {2000.4, 2000, 2005.6, 5, "n", kTooLate}, {2000.4, 2000, 2005.6, 5, "e", kTooLate},
      {2000.4, 2000, 2001, 5, "w", kWrongWay},  {2000.4, 2000, 2001, 5, "W", kWrongWay},
      {2000.4, 2000, 2001, 5, "n", kWrongWay},  {2000.4, 2000, 2001, 5, "s", kWrongWay},
      {2000.4, 2000, 2001, 5, "N", kWrongWay},
  };
  for (const auto& f : flights) {
    SCOPED_TRACE(std::to_string(f.answeredAt) + " " + f.way);
    screens.clear();
    gnomeAhead(2, f.start);
    game.gnomeTimeLimit = f.limit;
    move("w");
    typeAt(f.answeredAt, f.way + std::string("\r"));
    pressKey();
    if (f.outcome == kEscaped) answer("q");
    EXPECT_EQ(playTurns(), 0);
    EXPECT_EQ(game.gnomeStartTime, f.rounded);
    ASSERT_EQ(screens.size(), f.outcome == kEscaped ? 5u : 4u);
    EXPECT_EQ(screens[3], prompted(f.way) + f.outcome);
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
  for (const char* way : {"w", "e", "w", "e", "w", "e"}) move(way);
  answer("q");
  EXPECT_EQ(playTurns(), 0);

  ASSERT_EQ(screens.size(), 15u);
  EXPECT_EQ(screens[1], moved("e") + "Rumble Rumble Rumble\n");
  for (int i = 3; i <= 9; i += 2) EXPECT_EQ(screens[i].find("gnome"), std::string::npos) << i;
  EXPECT_EQ(screens[11], moved("w") + kGnomeLines);
  EXPECT_EQ(screens[13], prompted("e") + kEscaped);
}

// Each rumble redraws its countdown from the timer: 30 times the draw,
// rounded ties to even (the draw at 4855 is 0.75).
TEST_F(Hazards, RumblesTurnTheRubbleRoundOneTwoThree) {
  quietGame(1);
  game.entryTime = 1'000'000;
  const struct {
    double at;
    int rubbleState, countdown;
  } rumbles[] = {{3000.2, 2, 8}, {4855.2, 3, 22}, {3014.2, 1, 26}, {3021.2, 2, 5}};
  for (int i = 0; i < 4; ++i) {
    then([this, i, at = rumbles[i].at] {
      game.rumbleCountdown = 1;
      host.setSeconds(at);
      host.typeText(i % 2 ? "w\r" : "e\r");
    });
    then([this, i, r = rumbles[i]] {
      EXPECT_EQ(game.rubbleState, r.rubbleState);
      EXPECT_EQ(game.rumblePhase, (i + 1) % 3);
      EXPECT_EQ(game.rumbleCountdown, r.countdown);
      host.typeText(" ");
    });
  }
  answer("q");
  EXPECT_EQ(playTurns(), 0);
}

// A countdown redrawn as 0 runs on below zero down to its floor, and never
// fires again however long the game lasts.
TEST_F(Hazards, ACountdownPastZeroNeverFiresAgain) {
  constexpr std::int32_t kFloor = std::numeric_limits<std::int32_t>::min();
  const std::pair<std::int32_t, std::int32_t> starts[] = {{0, 0}, {kFloor, kFloor + 1}};
  for (const auto& [rumble, gnome] : starts) {
    screens.clear();
    quietGame(1);
    game.rumbleCountdown = rumble;
    game.gnomeCountdown = gnome;
    game.rubbleState = 2;
    game.rumblePhase = 1;
    for (int i = 0; i < 20; ++i) {
      move("e");
      move("w");
    }
    answer("q");
    EXPECT_EQ(playTurns(), 0);
    ASSERT_EQ(screens.size(), 81u);
    for (int i = 1; i < 80; i += 2) EXPECT_EQ(screens[i], moved(i % 4 == 1 ? "e" : "w")) << i;
    EXPECT_EQ(game.rubbleState, 2);
    EXPECT_EQ(game.rumbleCountdown, rumble == 0 ? -40 : kFloor);
    EXPECT_EQ(game.gnomeCountdown, gnome == 0 ? -40 : kFloor);
  }
}

}  // namespace
}  // namespace maze
