#include "support/maze_map.hpp"

#include <array>
#include <deque>

namespace e2e::maze {

namespace {

constexpr std::array<Direction, 4> kDirections = {Direction::kNorth, Direction::kSouth,
                                                  Direction::kEast, Direction::kWest};

// North, south, east, west for rooms 1 to 24.
constexpr int kExits[25][4] = {
    {kNoExit, kNoExit, kNoExit, kNoExit},
    {4, kOutside, 2, 3},
    {2, 23, 2, 1},
    {kNoExit, kNoExit, 1, 21},
    {5, 1, 7, kNoExit},
    {kNoExit, 4, 6, kNoExit},
    {8, 7, kNoExit, 5},
    {6, kNoExit, kNoExit, 4},
    {12, 6, 9, kNoExit},
    {11, 10, kNoExit, 8},
    {9, kNoExit, kOutside, kNoExit},
    {kOutside, 9, kNoExit, 12},
    {kNoExit, 8, 11, 13},
    {kNoExit, 14, 12, 15},
    {13, kNoExit, kNoExit, 16},
    {kNoExit, 16, 13, kOutside},
    {15, 17, 14, kNoExit},
    {16, 19, kNoExit, 18},
    {22, kNoExit, 17, kNoExit},
    {17, kNoExit, kNoExit, 20},
    {kNoExit, 21, 19, kNoExit},
    {20, kNoExit, 3, kNoExit},
    {kNoExit, 18, kNoExit, kNoExit},
    {2, 23, 24, 23},
    {kNoExit, kNoExit, kNoExit, 23},
};

int index(Direction d) { return static_cast<int>(d); }

// Breadth-first search; `isGoal` may name a direction that ends the walk from a room.
template <typename Goal>
std::optional<Direction> firstStep(int from, Goal isGoal) {
  std::array<std::optional<Direction>, 25> firstMove{};
  std::array<bool, 25> seen{};
  std::deque<int> queue = {from};
  seen[static_cast<size_t>(from)] = true;
  while (!queue.empty()) {
    int room = queue.front();
    queue.pop_front();
    if (auto out = isGoal(room)) return room == from ? out : firstMove[static_cast<size_t>(room)];
    for (Direction d : kDirections) {
      int next = exitOf(room, d);
      if (next <= 0 || isHole(next) || seen[static_cast<size_t>(next)]) continue;
      seen[static_cast<size_t>(next)] = true;
      firstMove[static_cast<size_t>(next)] =
          room == from ? d : firstMove[static_cast<size_t>(room)];
      queue.push_back(next);
    }
  }
  return std::nullopt;
}

}  // namespace

char letter(Direction d) { return "nsew"[index(d)]; }

Direction opposite(Direction d) {
  switch (d) {
    case Direction::kNorth: return Direction::kSouth;
    case Direction::kSouth: return Direction::kNorth;
    case Direction::kEast: return Direction::kWest;
    case Direction::kWest: return Direction::kEast;
  }
  return d;
}

std::string moveMessage(Direction d) {
  static const char* const kNames[] = {"north", "south", "east", "west"};
  return std::string("You move ") + kNames[index(d)] + " through the caves";
}

int exitOf(int room, Direction d) {
  if (room < 1 || room > 24) return kNoExit;
  return kExits[room][index(d)];
}

bool isHole(int room) { return room == 22 || room == 24; }

bool hasTreasure(int room) { return room == 7 || room == 9 || room == 14 || room == 18; }

bool blockedByRubble(Direction d, int rubbleState) {
  switch (d) {
    case Direction::kNorth: return rubbleState == 1;
    case Direction::kSouth: return rubbleState == 2;
    case Direction::kEast: return rubbleState == 1 || rubbleState == 3;
    case Direction::kWest: return rubbleState == 3;
  }
  return false;
}

std::optional<Direction> firstStepTo(int from, int to) {
  if (from == to) return std::nullopt;
  return firstStep(from, [to](int room) -> std::optional<Direction> {
    // Any direction will do as a marker: the walk ends on arrival.
    return room == to ? std::optional<Direction>(Direction::kNorth) : std::nullopt;
  });
}

std::optional<Direction> firstStepOut(int from, const std::set<Exit>& foundBlocked) {
  return firstStep(from, [&](int room) -> std::optional<Direction> {
    for (Direction d : kDirections) {
      if (exitOf(room, d) == kOutside && !foundBlocked.contains({room, d})) {
        return d;
      }
    }
    return std::nullopt;
  });
}

}  // namespace e2e::maze
