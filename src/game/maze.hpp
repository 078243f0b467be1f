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

void loadMap(RoomTable& rooms);

// Whether the answer is exactly this one letter, in either case: 'n' takes
// "n" and "N", nothing else.
bool isLetterAnswer(const std::string& answer, char letter);

// Asks for a direction until one is given; q or Q ends the program.
void askDirection(ConsoleState& console, std::string& answer);
void waitForAnyKey(ConsoleState& console);
[[noreturn]] void dieWith(ConsoleState& console, std::initializer_list<const char*> lines);

}  // namespace maze
