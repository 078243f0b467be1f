// What must hold on the screen after any sequence of console operations. A
// broken invariant aborts, so the fuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "console/console.hpp"
#include "platform/memory/memory_screen.hpp"

namespace maze::fuzz {

[[noreturn]] inline void broken(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline void checkInvariants(const MemoryScreen& screen, const ConsoleState& console) {
  const Coord cursor = screen.cursor();
  if (cursor.x < 0 || cursor.y < 0 || cursor.x >= screen.width() || cursor.y >= screen.height()) {
    broken("cursor outside the buffer");
  }
  const SmallRect& w = screen.window();
  if (w.left < 0 || w.top < 0 || w.left > w.right || w.top > w.bottom ||
      w.right >= screen.width() || w.bottom >= screen.height()) {
    broken("window outside the buffer");
  }
  const KeyBuffer& keys = console.keyboard.keys;
  if (keys.readIndex < 0 || keys.readIndex >= KeyBuffer::kSlots || keys.writeIndex < 0 ||
      keys.writeIndex >= KeyBuffer::kSlots) {
    broken("key buffer index out of range");
  }
}

}  // namespace maze::fuzz
