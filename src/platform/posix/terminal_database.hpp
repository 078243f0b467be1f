// What the system's terminal database says about the terminal that TERM
// names: whether it places its cursor as the renderer does, and the modes
// that make its keys send what its entry lists.
#pragma once

#include <string>

namespace maze {

struct TerminalEntry {
  // Its cursor addressing is the ANSI one the renderer draws with; else
  // (vt52, a hardcopy or dumb terminal, TERM unset or unknown) it gets the
  // byte stream.
  bool drawable = false;
  // Keypad transmit on and off (smkx, rmkx): its keys as the entry lists them.
  std::string keypadOn;
  std::string keypadOff;
  // Its meta key is xterm's, which sets the eighth bit unless asked to
  // send an ESC first.
  bool xtermMeta = false;
};

// TERM's entry (`term` may be null: TERM unset).
TerminalEntry lookUpTerminal(const char* term);

}  // namespace maze
