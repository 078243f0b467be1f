// What must hold on the model after any sequence of console operations. A
// broken invariant aborts, so the fuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "console/console.hpp"
#include "platform/model/model_console.hpp"

namespace maze::fuzz {

[[noreturn]] inline void broken(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline void checkInvariants(const ModelConsole& model, const ConsoleState& console) {
  const Coord cursor = model.cursor();
  if (cursor.x < 0 || cursor.y < 0 || cursor.x >= model.width() || cursor.y >= model.height()) {
    broken("cursor outside the buffer");
  }
  const SmallRect& w = model.window();
  if (w.left < 0 || w.top < 0 || w.left > w.right || w.top > w.bottom || w.right >= model.width() ||
      w.bottom >= model.height()) {
    broken("window outside the buffer");
  }
  const KeyBuffer& keys = console.keyboard.keys;
  if (keys.readIndex < 0 || keys.readIndex >= KeyBuffer::kSlots || keys.writeIndex < 0 ||
      keys.writeIndex >= KeyBuffer::kSlots) {
    broken("key buffer index out of range");
  }
}

}  // namespace maze::fuzz
