#include "game/entrance.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "game_fixture.hpp"

namespace maze {
namespace {

constexpr const char* kEnterLines =
    "You enter the caves\nThe walls look unstable\nYou should be as fast as possible\n";

using Entrance = GameTest;

TEST_F(Entrance, OtherDirectionsAreSentNorthAfterAKey) {
  quietGame(1);
  const char* ways[] = {"s", "e", "w", "S", "E", "W"};
  for (const char* way : ways) move(way);
  move("N");
  answer("q");  // at the first turn
  const GameState before = game;
  EXPECT_EQ(play([&] { runEntrance(console, game); }), 0);

  ASSERT_EQ(screens.size(), 15u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(screens[2 * i], prompted(""));
    EXPECT_EQ(screens[2 * i + 1], prompted(ways[i]) + "You must head north into the caves\n");
  }
  EXPECT_EQ(screens[13], prompted("N") + kEnterLines);
  EXPECT_EQ(game.currentRoom, 1);
  EXPECT_EQ(game.rooms, before.rooms);
  EXPECT_EQ(game.rumbleCountdown, before.rumbleCountdown);
}

// The collapse counts from the key after the entrance lines, to the nearest
// whole second with ties to even.
TEST_F(Entrance, EntryTimeIsTakenAfterTheKeyAndRoundedTiesToEven) {
  const std::pair<double, int> keyTimeToEntry[] = {
      {1000.5, 1000}, {1001.5, 1002}, {1234.4, 1234}, {1234.6, 1235}, {86400.5, 86400}};
  for (const auto& [keyTime, entry] : keyTimeToEntry) {
    quietGame(1);
    host.setSeconds(10);
    answer("n");
    typeAt(keyTime, " ");
    answer("q");
    EXPECT_EQ(play([&] { runEntrance(console, game); }), 0);
    EXPECT_EQ(game.entryTime, entry) << keyTime;
  }
}

// The draw that start-up gets when the timer reads `second`.
double drawAt(double second) {
  TestHost host;
  TestScreen screen;
  ConsoleState scratchConsole(host, screen);
  randomize(scratchConsole, second);
  return rnd(scratchConsole, 1);
}

bool usable(double r) {
  const int rumble = roundToInt(r * 30), gnome = roundToInt(r * 25);
  return rumble != 0 && gnome != 0 && rumble != gnome;
}

using StartUp = GameTest;

// Within one second every draw repeats the same value r, and each is
// rounded ties to even: the draws at these seconds are 0.75, 0.5 and 0.25.
TEST_F(StartUp, AUsableSecondGivesAllThreeDrawsFromOneValue) {
  const struct {
    int second, rumble, gnome, limit;
  } draws[] = {{4855, 22, 19, 8}, {14116, 15, 12, 5}, {24944, 8, 6, 7}};
  host.msPerClockReading = 1;
  for (const auto& d : draws) {
    host.setSeconds(d.second + 0.1);
    setUpGame(console, game);
    EXPECT_EQ(game.rumbleCountdown, d.rumble) << d.second;
    EXPECT_EQ(game.gnomeCountdown, d.gnome) << d.second;
    EXPECT_EQ(game.gnomeTimeLimit, d.limit) << d.second;
    EXPECT_LT(host.seconds(), d.second + 0.2);
  }
}

TEST_F(StartUp, AnUnusableSecondIsDrawnAgainUntilTheNextSecondComes) {
  int second = 1000;
  while (usable(drawAt(second)) || !usable(drawAt(second + 1))) {
    ASSERT_LT(++second, 100000) << "no unusable second found";
  }
  host.setSeconds(second + 0.5);
  host.msPerClockReading = 1;
  setUpGame(console, game);

  // Each draw reseeds, so the last pair may straddle the two seconds.
  const double before = drawAt(second), after = drawAt(second + 1);
  EXPECT_TRUE(game.rumbleCountdown == roundToInt(30 * before) ||
              game.rumbleCountdown == roundToInt(30 * after));
  EXPECT_EQ(game.gnomeCountdown, roundToInt(25 * after));
  EXPECT_TRUE(game.rumbleCountdown != 0 && game.rumbleCountdown != game.gnomeCountdown);
  EXPECT_GE(host.seconds(), second + 1) << "the rest of the unusable second is spent drawing";
  EXPECT_LT(host.seconds(), second + 1.01) << "a usable draw ends the drawing";
}

TEST_F(StartUp, CountdownsAndTheTimeLimitStayInTheirRanges) {
  host.msPerClockReading = 0.3;
  std::set<int> limits;
  for (int start = 0; start < 1500; ++start) {
    host.setSeconds(start * 1.37);
    GameState fresh;
    setUpGame(console, fresh);
    EXPECT_GE(fresh.rumbleCountdown, 1);
    EXPECT_LE(fresh.rumbleCountdown, 30);
    EXPECT_GE(fresh.gnomeCountdown, 1);
    EXPECT_LE(fresh.gnomeCountdown, 25);
    EXPECT_NE(fresh.rumbleCountdown, fresh.gnomeCountdown);
    EXPECT_GE(fresh.gnomeTimeLimit, 5);
    EXPECT_LE(fresh.gnomeTimeLimit, 10);
    limits.insert(fresh.gnomeTimeLimit);
  }
  EXPECT_EQ(limits.size(), 6u) << "every limit from 5 to 10 turns up";
}

using RunGame = GameTest;

TEST_F(RunGame, StartsTheConsoleSetsUpAndOpensWithTheEntrance) {
  host.msPerClockReading = 1;
  char name[] = "maze";
  char* argv[] = {name, nullptr};
  answer("Q");  // quits at once, as every direction prompt does
  EXPECT_EQ(play([&] { runGame(console, game, 1, argv); }), 0);
  EXPECT_EQ(console.argc, 1);
  RoomTable map;
  loadMap(map);
  EXPECT_EQ(game.rooms, map);
  EXPECT_GE(game.gnomeTimeLimit, 5);
  EXPECT_EQ(screens, Screens{prompted("")});
  EXPECT_EQ(shown(), prompted("Q"));
}

// The first turn is in room 1, whose way out south the rubble leaves open,
// with no treasure yet.
TEST_F(RunGame, TheFirstTurnIsInRoomOneWithItsWayOutOpenAndNoGold) {
  host.setSeconds(4855.1);  // the gnome 19 moves away, the rumble 22
  host.msPerClockReading = 1;
  answer("n");
  pressKey();
  answer("s");
  answer("y");
  pressKey();
  EXPECT_EQ(play([&] { runGame(console, game, 0, nullptr); }), 0);
  EXPECT_EQ(shown(), prompted("y", kLeavePrompt) +
                         "Congratulations you have finished the game with 0 gold\n"
                         "Press any key to end the game\n");
}

// A whole game on the test host's clock: the real program's clock cannot be
// moved on the 900 seconds the collapse needs.
TEST_F(RunGame, AGameOutstayingItsTimeEndsInTheCollapse) {
  host.setSeconds(4855.1);  // the gnome 19 moves away, the rumble 22
  host.msPerClockReading = 1;
  answer("n");
  typeAt(5000.2, " ");
  answer("e");
  typeAt(5900.5, " ");
  pressKey();
  EXPECT_EQ(play([&] { runGame(console, game, 0, nullptr); }), 0);
  EXPECT_EQ(game.entryTime, 5000);
  EXPECT_EQ(shown(), "The maze is collapsing\nYou have died, you lose\n");
}

}  // namespace
}  // namespace maze
