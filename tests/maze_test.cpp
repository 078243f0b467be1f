#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

#include "console/keyboard.hpp"
#include "game_fixture.hpp"

namespace maze {
namespace {

struct Exit {
  char direction;
  int target;
};

std::vector<Exit> exitsOf(const std::string& code) {
  std::vector<Exit> exits;
  for (std::size_t i = 0; i < code.size(); ++i) {
    if (std::string("NSEW").find(code[i]) == std::string::npos) continue;
    exits.push_back({code[i], std::stoi(code.substr(i + 1, 2))});
  }
  return exits;
}

char opposite(char direction) { return "SNWE"[std::string("NSEW").find(direction)]; }

// The map's rules rather than a copy of the table, which would repeat a
// slip: every passage leads back, every room can be reached, and the
// treasures, holes, ways out and passages into the same room are where
// they belong.
TEST(MazeMap, PassagesLeadBackAndEveryRoomCanBeReached) {
  RoomTable rooms;
  rooms[0] = "left over";
  loadMap(rooms);
  EXPECT_EQ(rooms[0], "");
  std::set<std::pair<int, char>> mazeExits, selfLoops;
  std::set<int> treasures, holes, reached{1};
  std::vector<int> toVisit{1};
  for (int room = 1; room <= kRoomCount; ++room) {
    const std::string& code = rooms[room];
    if (code.back() == 'T') treasures.insert(room);
    if (code.back() == 'H') holes.insert(room);
    for (const Exit& exit : exitsOf(code)) {
      if (exit.target == 0) {
        mazeExits.insert({room, exit.direction});
      } else if (exit.target == room) {
        selfLoops.insert({room, exit.direction});
      } else {
        ASSERT_LE(exit.target, kRoomCount);
        bool leadsBack = false;
        for (const Exit& back : exitsOf(rooms[exit.target])) {
          leadsBack |= back.direction == opposite(exit.direction) && back.target == room;
        }
        EXPECT_TRUE(leadsBack) << "room " << room << " " << exit.direction;
      }
    }
  }
  while (!toVisit.empty()) {
    const int room = toVisit.back();
    toVisit.pop_back();
    for (const Exit& exit : exitsOf(rooms[room])) {
      if (exit.target != 0 && reached.insert(exit.target).second) toVisit.push_back(exit.target);
    }
  }
  EXPECT_EQ(reached.size(), 24u);
  EXPECT_EQ(treasures, (std::set<int>{7, 9, 14, 18}));
  EXPECT_EQ(holes, (std::set<int>{22, 24}));
  EXPECT_EQ(mazeExits, (std::set<std::pair<int, char>>{{1, 'S'}, {10, 'E'}, {11, 'N'}, {15, 'W'}}));
  EXPECT_EQ(selfLoops, (std::set<std::pair<int, char>>{{2, 'N'}, {2, 'E'}, {23, 'S'}, {23, 'W'}}));
}

using AskDirection = GameTest;

TEST_F(AskDirection, TakesEachDirectionLetterInEitherCase) {
  const std::map<std::string, std::string> typedToAnswer = {
      {"n", "n"}, {"N", "N"}, {"s", "s"}, {"S", "S"},   {"e", "e"},
      {"E", "E"}, {"w", "w"}, {"W", "W"}, {"  n", "n"}, {"w,x", "w"}};
  for (const auto& [typed, expected] : typedToAnswer) {
    answer(typed);
    std::string answerField;
    askDirection(console, answerField);
    EXPECT_EQ(answerField, expected) << typed;
    EXPECT_EQ(shown(), prompted(typed)) << typed;
  }
}

TEST_F(AskDirection, AnythingElseClearsTheScreenAndAsksAgain) {
  const std::string junk[] = {
      "",   "   ", "x", "n ",           "nn", "north", "1",    "q ",
      "qq", "y",   "0", "\x01\x02\x1a", "\t", "N S E", "\"\"", std::string(300, 'n')};
  screen.putText(0, 5, "left over from before");
  for (const std::string& line : junk) answer(line);
  answer("E");
  std::string answerField;
  askDirection(console, answerField);
  EXPECT_EQ(answerField, "E");
  ASSERT_EQ(screens.size(), std::size(junk) + 1);
  for (const std::string& shown : screens) EXPECT_EQ(shown, prompted(""));
}

TEST_F(AskDirection, QuitEndsAtOnceWithNothingPrinted) {
  std::size_t waits = 0;
  for (const char* quit : {"q", "Q", " Q"}) {
    answer(quit);
    std::string answerField;
    EXPECT_EQ(play([&] { askDirection(console, answerField); }), 0) << quit;
    EXPECT_EQ(shown(), prompted(quit));
    EXPECT_EQ(screens.size(), ++waits) << "no wait after " << quit;
  }
}

using WaitForAnyKey = GameTest;

TEST_F(WaitForAnyKey, TakesOneKeyAndWaitsWhenNoneIsThere) {
  host.typeText("ab");
  waitForAnyKey(console);
  EXPECT_TRUE(screens.empty());
  EXPECT_EQ(inkey(console), "b");

  pressKey();
  waitForAnyKey(console);
  EXPECT_EQ(screens.size(), 1u);
  EXPECT_EQ(inkey(console), "");
}

using DieWith = GameTest;

TEST_F(DieWith, PrintsTheLinesThenWaitsForAKeyAndEnds) {
  clearScreen(console);
  pressKey();
  EXPECT_EQ(play([&] { dieWith(console, {"first line", "second line"}); }), 0);
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_EQ(screens[0], "first line\nsecond line\nYou have died, you lose\n");
}

}  // namespace
}  // namespace maze
