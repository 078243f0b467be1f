// The turn loop: one move per turn until an ending.
#pragma once

#include "console/console.hpp"
#include "game/maze.hpp"

namespace maze {

[[noreturn]] void runTurnLoop(ConsoleState& console, GameState& game);

// Whether rubble blocks the maze exit in this direction.
bool exitBlocked(const GameState& game, Direction direction);

}  // namespace maze
