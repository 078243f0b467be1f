// The console state that all output shares: the start of the console's use,
// clearing, and the cursor.
#pragma once

#include <cstdint>

#include "console/console.hpp"

namespace maze {

inline constexpr std::uint32_t kClearDefault = 0xFFFF0000;

void startConsole(ConsoleState& console, int argc, char** argv);

// Reads WindowRect and fixes the print region, once.
void ensureFirstUse(ConsoleState& console);
// Reads WindowRect afresh (all zero when the query fails).
void readWindowRect(ConsoleState& console);
// No window behind the output: output is a byte stream.
bool windowAbsent(const ConsoleState& console);

void clearScreen(ConsoleState& console, std::uint32_t mode = kClearDefault);

struct CursorPosition {
  int column;
  int row;
};

// Row and column are 1-based within the window, 0 keeps the current one;
// visibility < 0 keeps it, 0 hides, anything else shows. Returns 0, or 1
// when the position lies outside the print region. `packed` receives the
// column (bits 0-7), row (bits 8-15) and the earlier visibility (bit 16).
int moveCursor(ConsoleState& console, int row, int column, int visibility,
               std::uint32_t* packed = nullptr);
CursorPosition cursorPosition(ConsoleState& console);

}  // namespace maze
