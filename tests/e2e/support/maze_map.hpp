#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>

// The game's fixed map, as a player who has drawn it would know it, and routes through it.
namespace e2e::maze {

enum class Direction { kNorth, kSouth, kEast, kWest };

inline constexpr int kOutside = 0;  // the target of a maze exit
inline constexpr int kNoExit = -1;

char letter(Direction d);
Direction opposite(Direction d);
// "You move north through the caves" and its three siblings.
std::string moveMessage(Direction d);

int exitOf(int room, Direction d);
bool isHole(int room);
bool hasTreasure(int room);
// Whether rubble in the given state closes this direction's maze exits.
bool blockedByRubble(Direction d, int rubbleState);

using Exit = std::pair<int, Direction>;

// First move of a shortest hole-free walk from one room to another.
std::optional<Direction> firstStepTo(int from, int to);
// First move of a shortest hole-free walk out of the maze through an exit not found blocked.
std::optional<Direction> firstStepOut(int from, const std::set<Exit>& foundBlocked);

}  // namespace e2e::maze
