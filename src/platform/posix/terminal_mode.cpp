#include "platform/posix/terminal_mode.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace maze {
namespace {

// At once, not after the output drains: output blocked on a terminal that
// is not being read must not hold up the settings going back.
void setAttributes(int fd, const termios& settings) {
  while (tcsetattr(fd, TCSANOW, &settings) != 0 && errno == EINTR) {
  }
}

}  // namespace

TerminalSize readTerminalSize(int fd) {
  TerminalSize size;
  winsize ws{};
  if (ioctl(fd, TIOCGWINSZ, &ws) == 0) {
    if (ws.ws_col > 0) size.columns = ws.ws_col;
    if (ws.ws_row > 0) size.rows = ws.ws_row;
  }
  return size;
}

bool inForeground(int fd) {
  if (fd < 0) return true;
  const pid_t group = tcgetpgrp(fd);
  // Not the controlling terminal, or no foreground group: no one to wait for.
  return group <= 0 || group == getpgrp();
}

bool TerminalMode::save(int fd) {
  saved_ = isatty(fd) && tcgetattr(fd, &original_) == 0;
  fd_ = fd;
  return saved_;
}

void TerminalMode::enterRaw() {
  if (!saved_) return;
  raw_ = true;
  termios raw = original_;
  raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | ISTRIP);
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | IEXTEN);
  raw.c_lflag |= ISIG;
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  setAttributes(fd_, raw);
}

void TerminalMode::restore() {
  if (!raw_) return;
  raw_ = false;
  setAttributes(fd_, original_);
}

}  // namespace maze
