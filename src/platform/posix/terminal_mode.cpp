#include "platform/posix/terminal_mode.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace maze {
namespace {

void setAttributes(int fd, const termios& settings) {
  while (tcsetattr(fd, TCSADRAIN, &settings) != 0 && errno == EINTR) {
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

bool TerminalMode::save(int fd) {
  saved_ = isatty(fd) && tcgetattr(fd, &original_) == 0;
  fd_ = fd;
  return saved_;
}

void TerminalMode::enterRaw() const {
  if (!saved_) return;
  termios raw = original_;
  raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | ISTRIP);
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | IEXTEN);
  raw.c_lflag |= ISIG;
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  setAttributes(fd_, raw);
}

void TerminalMode::restore() const {
  if (saved_) setAttributes(fd_, original_);
}

}  // namespace maze
