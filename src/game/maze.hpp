// The maze, the record of one running game, and the small routines every
// part of the game shares.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "console/console.hpp"

namespace maze {

inline constexpr int kRoomCount = 24;
using RoomTable = std::array<std::string, kRoomCount + 1>;  // index 0 unused

// Directions in the order the turn loop tests them.
enum Direction { kNorth = 0, kSouth = 1, kEast = 2, kWest = 3 };

struct GameState {
  RoomTable rooms{};
  std::int32_t currentRoom = 0;
  std::int32_t rubbleState = 0;
  std::int32_t rumblePhase = 0;
  std::int32_t rumbleCountdown = 0;
  std::int32_t gnomeCountdown = 0;
  std::int32_t gnomeTimeLimit = 0;
  std::int32_t gnomeStartTime = 0;
  std::int32_t entryTime = 0;
  std::int32_t goldCount = 0;
  std::array<bool, 4> exitOpen{};
  std::array<std::string, 4> exitTarget{};
  std::string moveAnswer;
  std::string fleeAnswer;
  std::string leaveAnswer;
};

// The draws: countdowns in moves, the time to flee the gnome in seconds.
inline constexpr int kRumbleDraw = 30;
inline constexpr int kGnomeDraw = 25;
inline constexpr int kGnomeTimeDraw = 10;
// A shorter time to flee is lengthened by this much.
inline constexpr int kShortestGnomeTime = 5;
// Seconds from the entry until the maze collapses.
inline constexpr int kCollapseSeconds = 900;
// Moves until a gnome due on the move of a rumble turns up.
inline constexpr int kGnomeDelayAfterRumble = 5;

void loadMap(RoomTable& rooms);

// A whole number from 0 to n: the next random draw times n, rounded.
std::int32_t drawUpTo(ConsoleState& console, int n);

// Whether the answer is exactly this one letter, in either case: 'n' takes
// "n" and "N", nothing else.
bool isLetterAnswer(const std::string& answer, char letter);

// Asks for a direction until one is given; q or Q ends the program.
void askDirection(ConsoleState& console, std::string& answer);
void waitForAnyKey(ConsoleState& console);
[[noreturn]] void dieWith(ConsoleState& console, std::initializer_list<const char*> lines);

}  // namespace maze
