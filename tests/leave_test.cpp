#include "game/leave.hpp"

#include <gtest/gtest.h>

#include <cstring>

#include "game/turn.hpp"
#include "game_fixture.hpp"

namespace maze {
namespace {

class Leaving : public GameTest {
 protected:
  void move(const std::string& way) {
    answer(way);
    pressKey();
  }
  int playTurns() {
    return play([&] { runTurnLoop(console, game); });
  }
  static std::string leavePrompted(const std::string& typed) {
    return (typed.empty() ? "Are you sure you want to leave the maze (Y, N)?"
                          : kLeavePrompt + typed) +
           "\n";
  }
};

TEST_F(Leaving, AWalkThroughThreeTreasuresEndsWithTheirCount) {
  quietGame(1);
  for (const char* way : {"n", "e", "w", "n", "e", "n", "e", "n", "w", "w", "s", "n", "w"}) {
    move(way);
  }
  answer("w");
  answer("y");
  pressKey();
  EXPECT_EQ(playTurns(), 0);

  ASSERT_EQ(screens.size(), 29u);
  EXPECT_EQ(screens[27], leavePrompted(""));
  EXPECT_EQ(screens[28], leavePrompted("y") +
                             "Congratulations you have finished the game with 3 gold\n"
                             "Press any key to end the game\n");
  EXPECT_EQ(game.goldCount, 3);
}

TEST_F(Leaving, NoTreasureCountsAsZero) {
  quietGame(1);
  answer("S");
  answer("Y");
  pressKey();
  EXPECT_EQ(playTurns(), 0);
  EXPECT_EQ(shown(), leavePrompted("Y") +
                         "Congratulations you have finished the game with 0 gold\n"
                         "Press any key to end the game\n");
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

  ASSERT_EQ(screens.size(), 5u);
  EXPECT_EQ(screens[1], leavePrompted(""));
  EXPECT_EQ(screens[2], prompted(""));
  EXPECT_EQ(screens[3], leavePrompted(""));
  EXPECT_EQ(screens[4], prompted(""));
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
  for (std::size_t i = 0; i <= junk.size(); ++i) EXPECT_EQ(screens[i], leavePrompted(""));
  EXPECT_EQ(game.leaveAnswer, "y");
}

}  // namespace
}  // namespace maze
