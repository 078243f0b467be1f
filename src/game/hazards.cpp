#include "game/hazards.hpp"

#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "console/output.hpp"

namespace maze {

namespace {

// A countdown redrawn as 0 goes negative and must never come back round to
// 0, however long the game lasts.
void countDown(std::int32_t& countdown) {
  if (countdown > std::numeric_limits<std::int32_t>::min()) --countdown;
}

void rumble(ConsoleState& console, GameState& game) {
  if (game.gnomeCountdown == 0) game.gnomeCountdown = kGnomeDelayAfterRumble;
  printLine(console, "Rumble Rumble Rumble");
  switch (game.rumblePhase) {
    case 0:
      game.rumblePhase = 1;
      game.rubbleState = 2;
      break;
    case 1:
      game.rumblePhase = 2;
      game.rubbleState = 3;
      break;
    default:
      game.rumblePhase = 0;
      game.rubbleState = 1;
      break;
  }
  randomize(console, timerSeconds(console));
  game.rumbleCountdown = drawUpTo(console, kRumbleDraw);
}

// Fleeing means running back the way the player came.
bool fledBack(const std::string& move, const std::string& flee) {
  constexpr std::pair<char, char> kOpposites[] = {{'n', 's'}, {'s', 'n'}, {'e', 'w'}, {'w', 'e'}};
  for (const auto& [way, back] : kOpposites) {
    if (isLetterAnswer(move, way)) return isLetterAnswer(flee, back);
  }
  return false;
}

void meetGnome(ConsoleState& console, GameState& game) {
  // The time allowed includes reading these lines and the key press.
  game.gnomeStartTime = roundToInt(timerSeconds(console));
  printLine(console, "As you head down the path");
  printLine(console, "You see a small figure in a corner");
  printLine(console, "The small figure throws an axe at you");
  printLine(console, "You realise that it is a gnome");
  printLine(console, "Run back the way you came or you will die");
  waitForAnyKey(console);
  askDirection(console, game.fleeAnswer);
  // Too late kills even a correct answer.
  if (timerSeconds(console) >
      static_cast<double>(game.gnomeStartTime) + static_cast<double>(game.gnomeTimeLimit)) {
    dieWith(console, {"The axe chops your head off"});
  }
  if (!fledBack(game.moveAnswer, game.fleeAnswer)) {
    dieWith(console, {"You idiot, you ran into the darkness not knowing what was there",
                      "The gnome hits you with his axe"});
  }
  printLine(console, "You escaped from the gnome");
  randomize(console, timerSeconds(console));
  game.gnomeCountdown = drawUpTo(console, kGnomeDraw);
}

}  // namespace

void runHazards(ConsoleState& console, GameState& game) {
  countDown(game.rumbleCountdown);
  countDown(game.gnomeCountdown);
  if (game.rumbleCountdown == 0) rumble(console, game);
  if (game.gnomeCountdown == 0) meetGnome(console, game);
}

}  // namespace maze
