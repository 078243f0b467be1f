#include "support/term_settings.hpp"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace e2e {

TermSettings TermSettings::of(int fd) {
  TermSettings settings;
  if (tcgetattr(fd, &settings.raw) != 0) {
    throw std::runtime_error(std::string("tcgetattr: ") + std::strerror(errno));
  }
  return settings;
}

bool TermSettings::operator==(const TermSettings& other) const {
  const termios& a = raw;
  const termios& b = other.raw;
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && a.c_line == b.c_line &&
         std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 && cfgetispeed(&a) == cfgetispeed(&b) &&
         cfgetospeed(&a) == cfgetospeed(&b);
}

std::string TermSettings::describe() const {
  char head[192];
  std::snprintf(head, sizeof head,
                "iflag=%x oflag=%x cflag=%x lflag=%x line=%x ispeed=%x ospeed=%x cc=",
                static_cast<unsigned>(raw.c_iflag), static_cast<unsigned>(raw.c_oflag),
                static_cast<unsigned>(raw.c_cflag), static_cast<unsigned>(raw.c_lflag),
                static_cast<unsigned>(raw.c_line), static_cast<unsigned>(cfgetispeed(&raw)),
                static_cast<unsigned>(cfgetospeed(&raw)));
  std::string text = head;
  for (cc_t c : raw.c_cc) {
    char part[4];
    std::snprintf(part, sizeof part, "%02x", static_cast<unsigned>(c));
    text += part;
  }
  return text;
}

}  // namespace e2e
