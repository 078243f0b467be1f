// The timed hazards of each move: the rumble and the gnome.
#pragma once

#include "console/console.hpp"
#include "game/maze.hpp"

namespace maze {

void runHazards(ConsoleState& console, GameState& game);

}  // namespace maze
