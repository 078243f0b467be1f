#include "game/leave.hpp"

#include <gtest/gtest.h>

#include <cstring>

#include "game_fixture.hpp"

namespace maze {
namespace {

using Leaving = GameTest;

// Yes ends the game with the count of the treasures found, none as 0.
TEST_F(Leaving, YesEndsTheGameWithTheTreasureCount) {
  const struct {
    std::vector<const char*> walk;
    const char *way, *yes;
    int gold;
  } walks[] = {{{}, "S", "Y", 0},
               {{"n", "e", "w", "n", "e", "n", "e", "n", "w", "w", "s", "n", "w"}, "w", "y", 3}};
  for (const auto& [walk, way, yes, gold] : walks) {
    screens.clear();
    quietGame(1);
    for (const char* step : walk) move(step);
    answer(way);
    answer(yes);
    pressKey();
    EXPECT_EQ(playTurns(), 0);
    ASSERT_EQ(screens.size(), 2 * walk.size() + 3);
    EXPECT_EQ(screens[screens.size() - 2], prompted("", kLeavePrompt));
    EXPECT_EQ(shown(), prompted(yes, kLeavePrompt) +
                           "Congratulations you have finished the game with " +
                           std::to_string(gold) + " gold\nPress any key to end the game\n");
    EXPECT_EQ(game.goldCount, gold);
  }
}

// Declining leads straight back to the direction prompt in the same room,
// and the exit can be tried again.
TEST_F(Leaving, DecliningReturnsToTheNextTurnAtOnce) {
  quietGame(1);
  game.rumbleCountdown = 7;
  game.gnomeCountdown = 9;
  answer("s");
  then([this] {
    EXPECT_EQ(screen.cursor().x, static_cast<int>(std::strlen(kLeavePrompt)));
    host.typeText("N\r");
  });
  then([this] {
    EXPECT_EQ(screen.cursor().x, static_cast<int>(std::strlen(kPrompt)));
    host.typeText("s\r");
  });
  answer("n");
  answer("q");
  EXPECT_EQ(playTurns(), 0);

  const std::string leave = prompted("", kLeavePrompt);
  EXPECT_EQ(screens, (Screens{prompted(""), leave, prompted(""), leave, prompted("")}));
  EXPECT_EQ(game.currentRoom, 1);
  EXPECT_EQ(game.rumbleCountdown, 7);
  EXPECT_EQ(game.gnomeCountdown, 9);
  EXPECT_EQ(game.leaveAnswer, "n");
}

TEST_F(Leaving, OnlyYesOrNoAnswersTheQuestion) {
  const std::vector<std::string> junk = {"q", "Q", "", "yes", "no", "  ", "x,y", "\x01", "n y"};
  for (const std::string& line : junk) answer(line);
  answer(" y");
  pressKey();
  EXPECT_EQ(play([&] { confirmLeave(console, game); }), 0);
  ASSERT_EQ(screens.size(), junk.size() + 2);
  for (std::size_t i = 0; i <= junk.size(); ++i) EXPECT_EQ(screens[i], prompted("", kLeavePrompt));
  EXPECT_EQ(game.leaveAnswer, "y");
}

}  // namespace
}  // namespace maze
