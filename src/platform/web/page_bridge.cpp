#include "platform/web/page_bridge.hpp"

#include <emscripten.h>

// Each call goes to `Module.mazePage`, the object the page passes in when
// it starts the program; the page owns the terminal, the typed bytes, the
// timers and the audio, so the program holds no JavaScript state of its
// own. (Arrow functions stay out of these bodies: formatting the C++ would
// split their `=>`.)

// xterm parses what it is given later, so the bytes are copied out of the
// program's memory now.
EM_JS(void, maze_page_write, (const char* bytes, int length),
      { Module.mazePage.write(HEAPU8.slice(bytes, bytes + length)); });

// Columns in the high half, rows in the low.
EM_JS(int, maze_page_terminal_size, (), {
  const size = Module.mazePage.terminalSize();
  return size.columns * 65536 + size.rows;
});

EM_JS(void, maze_page_announce, (const char* text, int length), {
  Module.mazePage.announce(new TextDecoder().decode(HEAPU8.subarray(text, text + length)));
});

EM_JS(int, maze_page_take_typed, (unsigned char* buffer, int capacity), {
  const bytes = Module.mazePage.takeTyped(capacity);
  HEAPU8.set(bytes, buffer);
  return bytes.length;
});

EM_ASYNC_JS(void, maze_page_wait_for_typing, (double timeoutMs),
            { await Module.mazePage.waitForTyping(timeoutMs); });

EM_ASYNC_JS(void, maze_page_pause, (double ms), { await Module.mazePage.pause(ms); });

EM_JS(double, maze_page_now_ms, (), { return Module.mazePage.nowMs(); });

EM_JS(void, maze_page_beep, (double frequency, double durationMs),
      { Module.mazePage.beep(frequency, durationMs); });

EM_JS(void, maze_page_ended, (int status), { Module.mazePage.ended(status); });

// The page hands back a promise nobody can settle: the program's stack is
// unwound and never resumed, and nothing of it runs again.
EM_ASYNC_JS(void, maze_page_halt, (), { await Module.mazePage.halt(); });

namespace maze::page {

void write(std::string_view bytes) {
  if (!bytes.empty()) maze_page_write(bytes.data(), static_cast<int>(bytes.size()));
}

TerminalSize terminalSize() {
  const int packed = maze_page_terminal_size();
  return {packed >> 16, packed & 0xFFFF};
}

void announce(std::string_view lines) {
  if (!lines.empty()) maze_page_announce(lines.data(), static_cast<int>(lines.size()));
}

std::size_t takeTyped(std::uint8_t* buffer, std::size_t capacity) {
  return static_cast<std::size_t>(maze_page_take_typed(buffer, static_cast<int>(capacity)));
}

void waitForTyping(std::int64_t timeoutMs) {
  maze_page_wait_for_typing(static_cast<double>(timeoutMs));
}

void pause(std::uint32_t ms) { maze_page_pause(ms); }

std::int64_t nowNs() { return static_cast<std::int64_t>(maze_page_now_ms() * 1e6); }

void beep(std::uint32_t frequency, std::uint32_t durationMs) {
  maze_page_beep(frequency, durationMs);
}

void ended(int status) { maze_page_ended(status); }

void halt() {
  for (;;) maze_page_halt();
}

}  // namespace maze::page
