// Leaving the maze through an open exit.
#pragma once

#include "console/console.hpp"
#include "game/maze.hpp"

namespace maze {

// Returns only when the player declines.
void confirmLeave(ConsoleState& console, GameState& game);

}  // namespace maze
