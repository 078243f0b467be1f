// While the program owns the terminal, its keys come as its database entry
// lists them (keypad transmit), and xterm's Alt as an ESC before the key,
// as the console's Alt+letter is; at every stop and end both go back to
// what the terminal had.
#pragma once

#include <string>
#include <string_view>

#include "platform/posix/terminal_database.hpp"

namespace maze {

class KeyboardModes {
 public:
  // A terminal whose keys are not ours to set: nothing is sent.
  KeyboardModes() = default;
  explicit KeyboardModes(const TerminalEntry& entry);

  // What puts the modes on. xterm's own Alt setting is saved first, unless
  // it is saved already and not yet put back (a continue without a stop).
  std::string enter();
  // What puts back what the terminal had; empty when nothing is on.
  std::string_view leave();
  // The same bytes, whether or not the modes are on now: for the last
  // words of a process that dies of a signal.
  std::string_view leaveBytes() const { return leave_; }

 private:
  std::string save_;
  std::string set_;
  std::string leave_;
  bool entered_ = false;
};

}  // namespace maze
