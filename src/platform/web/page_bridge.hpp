// The page around the game: its terminal, its keys, its clock and its
// audio, reached through the JavaScript the page hands the program. The
// calls that wait give the browser back its thread until they are done.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace maze::page {

struct TerminalSize {
  int columns;
  int rows;
};

// Sends bytes (UTF-8 with control sequences) to the page's terminal.
void write(std::string_view bytes);
// The page's terminal's size now; the page wakes a wait for typing when
// it changes.
TerminalSize terminalSize();
// Lines (UTF-8, each ended by '\n') for the page's transcript, which a
// screen reader reads out.
void announce(std::string_view lines);
// Moves up to `capacity` of the bytes typed into the terminal into
// `buffer`; returns how many. Never waits.
std::size_t takeTyped(std::uint8_t* buffer, std::size_t capacity);
// Waits until something is typed, or `timeoutMs` has passed (< 0: no
// limit). Only a timeout asked for sets a timer.
void waitForTyping(std::int64_t timeoutMs);
// Waits `ms` milliseconds.
void pause(std::uint32_t ms);
// The page's monotonic clock, in nanoseconds.
std::int64_t nowNs();
// A tone of `frequency` Hz for `durationMs`; the page flashes the terminal
// where it cannot sound.
void beep(std::uint32_t frequency, std::uint32_t durationMs);
// Tells the page that the program has ended with `status`.
void ended(int status);
// Stops the program for good: it waits on nothing that can ever come.
[[noreturn]] void halt();

}  // namespace maze::page
