// A terminal behind the standard output, showing the in-memory screen: the
// screen is of the terminal's size, and after every output call the
// renderer sends the terminal what the screen's calls changed, in one
// write. What was on the terminal before goes into its scrollback.
#pragma once

#include <string>

#include "platform/posix/fd_io.hpp"
#include "platform/posix/locale_charset.hpp"
#include "platform/posix/terminal_input.hpp"
#include "platform/posix/terminal_mode.hpp"
#include "platform/terminal/terminal_renderer.hpp"
#include "platform/terminal/terminal_screen.hpp"

namespace maze {

class TerminalDisplay {
 public:
  // Glyphs go out in `charset`; `watcher` hears from every write.
  TerminalDisplay(int fd, TerminalSize size, const LocaleCharset& charset, WriteWatcher* watcher);

  MemoryScreen& screen() { return screen_; }
  bool drawn() const { return drawn_; }

  // Sends what changed; the first time, the terminal's earlier contents
  // are first moved into its scrollback, as far as `input` can tell where
  // its cursor stands.
  void draw(TerminalInput& input);
  // The bell rings with the next drawing, so each output call stays one
  // write.
  void ringBell() { pending_ += '\a'; }
  // Shows the cursor as the screen has it, before the program waits: a
  // hiding that drawing held back is sent now.
  void settleCursor();
  // Leaves the terminal fit for the shell: the last screen kept, default
  // colours, the cursor where the screen's is and visible. Unless
  // `waitForRoom`, only as far as the output takes it at once.
  void leave(bool waitForRoom);
  // Takes on the terminal's new size, or its unknown contents after a
  // stop, and draws everything afresh.
  void refit(TerminalSize size);

 private:
  void send(const std::string& bytes);

  int fd_;
  const LocaleCharset& charset_;
  WriteWatcher* watcher_;
  TerminalScreen screen_;
  TerminalRenderer renderer_;
  std::string pending_;
  bool drawn_ = false;
};

}  // namespace maze
