#include "game/leave.hpp"

#include "console/output.hpp"
#include "console/screen.hpp"

namespace maze {

void confirmLeave(ConsoleState& console, GameState& game) {
  // Quitting is not offered here: only yes or no ends the question.
  for (;;) {
    clearScreen(console);
    inputLine(console, "Are you sure you want to leave the maze (Y, N)", QuestionMark::Add,
              LineEnd::Add);
    game.leaveAnswer = readField(console);
    if (isLetterAnswer(game.leaveAnswer, 'y') || isLetterAnswer(game.leaveAnswer, 'n')) break;
  }
  if (isLetterAnswer(game.leaveAnswer, 'n')) return;

  printText(console, "Congratulations you have finished the game with");
  printInteger(console, game.goldCount, false);
  printLine(console, " gold");
  printLine(console, "Press any key to end the game");
  waitForAnyKey(console);
  endProgram(console, 0);
}

}  // namespace maze
