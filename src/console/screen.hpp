// The console state that all output shares: the start of the console's use,
// clearing, and the cursor.
#pragma once

#include <cstdint>

#include "console/console.hpp"

namespace maze {

// Clearing modes: the whole window, nothing, or the print region; the
// mode when none is given clears the print region too.
inline constexpr std::uint32_t kClearWindow = 0;
inline constexpr std::uint32_t kClearNothing = 1;
inline constexpr std::uint32_t kClearRegion = 2;
inline constexpr std::uint32_t kClearDefault = 0xFFFF0000;

// A cursor move's row or column that keeps the current one, and what it
// does to the cursor's visibility: below 0 keeps it, 0 hides it and any
// other value shows it.
inline constexpr int kKeepPosition = 0;
inline constexpr int kKeepVisibility = -1;
inline constexpr int kHideCursor = 0;
inline constexpr int kShowCursor = 1;
// The earlier visibility in moveCursor's packed result.
inline constexpr std::uint32_t kPackedWasVisible = 0x10000;

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

// Row and column are 1-based within the window (kKeepPosition keeps the
// current one). Returns 0, or 1 when the position lies outside the print
// region. `packed` receives the column (bits 0-7), row (bits 8-15) and
// the earlier visibility (kPackedWasVisible).
int moveCursor(ConsoleState& console, int row, int column, int visibility,
               std::uint32_t* packed = nullptr);
CursorPosition cursorPosition(ConsoleState& console);

}  // namespace maze
