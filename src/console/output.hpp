// Text output: the one write path with its control characters, wrapping at
// the buffer width, the deferred line feed and scrolling.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "console/console.hpp"

namespace maze {

// Whether a write of no bytes still runs, and so ends a deferred line feed.
enum class WriteEmpty { Skip, Run };

void consoleWrite(ConsoleState& console, const char* bytes, std::size_t length, WriteEmpty empty);
void finishPendingLineFeed(ConsoleState& console);

void printText(ConsoleState& console, const std::string& text);
void printLine(ConsoleState& console, const std::string& text);
void printInteger(ConsoleState& console, std::int32_t value, bool lineEnd);
// The "% d" format: a blank or a minus sign, then the digits.
std::string formatInteger(std::int32_t value, bool lineEnd);

}  // namespace maze
