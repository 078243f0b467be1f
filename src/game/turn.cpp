#include "game/turn.hpp"

#include <array>
#include <string>

#include "console/output.hpp"
#include "console/screen.hpp"
#include "game/hazards.hpp"
#include "game/leave.hpp"

namespace maze {

namespace {

struct DirectionRule {
  char letter;  // as it stands in a room code, and the answer in either case
  const char* moveMessage;
};

// In the order the moves are tested.
constexpr std::array<DirectionRule, 4> kDirections = {{
    {'N', "You move north through the caves"},
    {'S', "You move south through the caves"},
    {'E', "You move east through the caves"},
    {'W', "You move west through the caves"},
}};

constexpr const char* kMazeExit = "00";

void scanExits(GameState& game) {
  const std::string& code = game.rooms[game.currentRoom];
  for (std::size_t i = 0; i < code.size(); ++i) {
    for (std::size_t d = 0; d < kDirections.size(); ++d) {
      if (code[i] != kDirections[d].letter) continue;
      game.exitOpen[d] = true;
      game.exitTarget[d] = code.substr(i + 1, 2);
    }
  }
}

// The open direction the answer asks for, or -1 for a wall.
int chooseDirection(const GameState& game) {
  for (std::size_t d = 0; d < kDirections.size(); ++d) {
    const DirectionRule& rule = kDirections[d];
    if (isLetterAnswer(game.moveAnswer, rule.letter) && game.exitOpen[d]) {
      return static_cast<int>(d);
    }
  }
  return -1;
}

std::int32_t roomNumber(const std::string& target) {
  return (target[0] - '0') * 10 + (target[1] - '0');
}

// Treasure is picked up and a hole kills. A treasure stands last, so the
// positions past the shortened code are simply not there to match.
void scanContents(ConsoleState& console, GameState& game) {
  std::string& code = game.rooms[game.currentRoom];
  for (std::size_t i = 0; i < code.size(); ++i) {
    if (code[i] == 'T') {
      code.pop_back();
      printLine(console, "You have found some treasure!");
      ++game.goldCount;
    } else if (code[i] == 'H') {
      dieWith(console, {"You fall down a hole in the ground"});
    }
  }
}

void playTurn(ConsoleState& console, GameState& game) {
  clearScreen(console);
  game.exitOpen.fill(false);
  // Equal to the limit is still allowed.
  if (timerSeconds(console) > static_cast<double>(game.entryTime) + kCollapseSeconds) {
    dieWith(console, {"The maze is collapsing"});
  }
  askDirection(console, game.moveAnswer);
  scanExits(game);

  const int chosen = chooseDirection(game);
  if (chosen < 0) {
    printLine(console, "You walk into a wall");
    waitForAnyKey(console);
    return;
  }
  printLine(console, kDirections[chosen].moveMessage);

  const std::string& target = game.exitTarget[chosen];
  if (target == kMazeExit) {
    if (exitBlocked(game, static_cast<Direction>(chosen))) {
      printLine(console, "The path is blocked by fallen rubble");
      waitForAnyKey(console);
      return;
    }
    // Declining leads straight to the next turn, without a key wait.
    confirmLeave(console, game);
    return;
  }

  game.currentRoom = roomNumber(target);
  scanContents(console, game);
  runHazards(console, game);
  waitForAnyKey(console);
}

}  // namespace

bool exitBlocked(const GameState& game, Direction direction) {
  switch (direction) {
    case kNorth: return game.rubbleState == 1;
    case kSouth: return game.rubbleState == 2;
    case kEast: return game.rubbleState == 1 || game.rubbleState == 3;
    case kWest: return game.rubbleState == 3;
  }
  return false;
}

void runTurnLoop(ConsoleState& console, GameState& game) {
  for (;;) playTurn(console, game);
}

}  // namespace maze
