// Keyboard input: console key events translated into key codes, kept in a
// ring until the game polls for them.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "console/key_codes.hpp"
#include "platform/host.hpp"

namespace maze {

struct ConsoleState;

// 512 slots; empty when the indices are equal, so at most 511 keys wait.
struct KeyBuffer {
  static constexpr int kSlots = 512;
  std::array<KeyCode, kSlots> slots{};
  int writeIndex = 0;
  int readIndex = 0;
  // The control handler stores from a thread of its own.
  std::mutex lock;
};

struct KeyboardState {
  KeyBuffer keys;
  std::int32_t altNumpadCode = 0;
  bool handlerInstalled = false;
};

KeyCode translateKeyEvent(Host& host, std::uint8_t ch, std::uint16_t scanCode,
                          std::uint16_t virtualKey, std::uint32_t controlKeyState);
void storeKey(KeyBuffer& keys, KeyCode key);
// Takes the oldest key, or kNoKey when none waits.
KeyCode takeKey(KeyBuffer& keys);
bool hasKey(KeyBuffer& keys);

void pumpConsoleInput(ConsoleState& console);
std::string inkey(ConsoleState& console);
bool keyHit(ConsoleState& console);
// Blocks until input may be waiting or timeoutMs has passed, without
// burning the processor; returns at once when something already waits.
void waitForInputEvent(ConsoleState& console, std::uint32_t timeoutMs);

bool consoleControlHandler(std::uint32_t event);

// At the end of a console's life: removes its control handler, and the
// exit handler, which the host may still run, no longer touches it.
void releaseKeyboard(ConsoleState& console);

}  // namespace maze
