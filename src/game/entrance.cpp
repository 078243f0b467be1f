#include "game/entrance.hpp"

#include "console/output.hpp"
#include "console/screen.hpp"
#include "game/turn.hpp"

namespace maze {

namespace {

// Countdowns of 0 would never fire, and equal ones would bring the rumble
// and the gnome on the same move.
bool usableDraw(const GameState& game) {
  return game.rumbleCountdown != 0 && game.gnomeCountdown != 0 &&
         game.rumbleCountdown != game.gnomeCountdown;
}

}  // namespace

void setUpGame(ConsoleState& console, GameState& game) {
  game.rubbleState = 1;
  game.currentRoom = 1;
  // The seed is the timer's whole second, so an unusable draw repeats
  // after the next second has come round, asleep until then.
  for (;;) {
    randomize(console, kSeedFromTimer);
    game.rumbleCountdown = drawUpTo(console, kRumbleDraw);
    randomize(console, kSeedFromTimer);
    game.gnomeCountdown = drawUpTo(console, kGnomeDraw);
    if (usableDraw(game)) break;
    sleepToNextSecond(console);
  }
  randomize(console, kSeedFromTimer);
  game.gnomeTimeLimit = drawUpTo(console, kGnomeTimeDraw);
  if (game.gnomeTimeLimit < kShortestGnomeTime) game.gnomeTimeLimit += kShortestGnomeTime;
  loadMap(game.rooms);
}

void runEntrance(ConsoleState& console, GameState& game) {
  for (;;) {
    clearScreen(console);
    askDirection(console, game.moveAnswer);
    if (isLetterAnswer(game.moveAnswer, 'n')) break;
    printLine(console, "You must head north into the caves");
    waitForAnyKey(console);
  }
  printLine(console, "You enter the caves");
  printLine(console, "The walls look unstable");
  printLine(console, "You should be as fast as possible");
  waitForAnyKey(console);
  // The collapse limit counts from after this key, however long it took.
  game.entryTime = roundToInt(timerSeconds(console));
  runTurnLoop(console, game);
}

void runGame(ConsoleState& console, GameState& game, int argc, char** argv) {
  startConsole(console, argc, argv);
  setUpGame(console, game);
  runEntrance(console, game);
  endProgram(console, 0);
}

}  // namespace maze
