// Start-up and the entrance dialogue.
#pragma once

#include "console/console.hpp"
#include "game/maze.hpp"

namespace maze {

// Starts the console, sets up the game, draws the hazard schedule and runs
// the entrance; never returns.
[[noreturn]] void runGame(ConsoleState& console, GameState& game, int argc, char** argv);

// Sets up GameState and draws the hazard schedule (start-up after the
// console has started).
void setUpGame(ConsoleState& console, GameState& game);

// Leads the player into the caves, then runs the turn loop.
void runEntrance(ConsoleState& console, GameState& game);

}  // namespace maze
