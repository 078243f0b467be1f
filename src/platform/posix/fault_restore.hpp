// A program that dies of a fault (a crash, an abort) or of any other signal
// whose default action ends the process (SIGUSR1, SIGALRM, SIGXFSZ, ...)
// must not leave the terminal in raw mode with its cursor hidden: these
// handlers put the saved settings back, then let the signal end the process
// as it would have. Signals the parent had the process ignore stay ignored.
#pragma once

#include <termios.h>

#include <cstddef>
#include <string_view>

namespace maze::fault_restore {

// `settings` (may be null: the input is no terminal) go back on `fd`;
// `showCursor`: the output is a terminal whose cursor may be hidden;
// `keyboard`: what puts back the terminal's keyboard modes, at most
// kMaxKeyboardBytes.
inline constexpr std::size_t kMaxKeyboardBytes = 96;
void install(int fd, const termios* settings, bool showCursor, std::string_view keyboard = {});
// Whether the terminal is the program's now (raw, perhaps drawn on); only
// then does a handler touch it.
void setArmed(bool armed);

}  // namespace maze::fault_restore
