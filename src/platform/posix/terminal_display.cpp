#include "platform/posix/terminal_display.hpp"

#include "platform/posix/fd_io.hpp"
#include "platform/terminal/terminal_fit.hpp"

namespace maze {

TerminalDisplay::TerminalDisplay(int fd, TerminalSize size, const LocaleCharset& charset,
                                 WriteWatcher* watcher)
    : fd_(fd),
      charset_(charset),
      watcher_(watcher),
      screen_(terminalSide(size.columns), terminalSide(size.rows)),
      renderer_(terminalSide(size.columns), terminalSide(size.rows)) {}

void TerminalDisplay::send(const std::string& bytes) {
  if (bytes.empty()) return;
  const bool sent = charset_.utf8() ? writeAll(fd_, bytes, watcher_)
                                    : writeAll(fd_, charset_.fromUtf8(bytes), watcher_);
  if (!sent) renderer_.invalidate();
}

// The rows above the shell's cursor go into the scrollback, so the game
// starts on a clear screen and what was there before can be scrolled back
// to; the blank rows below it stay out.
void TerminalDisplay::draw(TerminalInput& input) {
  std::string out;
  if (!drawn_) {
    if (const auto report = input.awaitCursorReport()) {
      out = renderer_.pushIntoScrollback(report->column > 1 ? report->row : report->row - 1);
    } else {
      out = renderer_.pushAboveCursor();
    }
    drawn_ = true;
  }
  out += pending_;
  pending_.clear();
  renderer_.render(screen_, screen_.takeChanges(), out);
  send(out);
}

void TerminalDisplay::settleCursor() {
  if (!drawn_) return;
  std::string out;
  renderer_.settleCursor(screen_, out);
  send(out);
}

void TerminalDisplay::leave(bool waitForRoom) {
  if (!drawn_) return;
  std::string out;
  out.swap(pending_);
  renderer_.leave(screen_, out);
  if (waitForRoom) {
    writeAll(fd_, out, watcher_);
  } else {
    writeIfRoom(fd_, out);
  }
}

void TerminalDisplay::refit(TerminalSize size) {
  fitTerminal(screen_, renderer_, size.columns, size.rows);
  if (drawn_) {
    std::string out;
    out.swap(pending_);
    renderer_.render(screen_, screen_.takeChanges(), out);
    send(out);
  }
}

}  // namespace maze
