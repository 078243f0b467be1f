#include "platform/posix/terminal_database.hpp"

#include <cstdint>
#include <optional>

// Last: the database's header defines a macro for every capability's name.
#include <term.h>

namespace maze {
namespace {

std::optional<std::string> stringCapability(const char* name) {
  const char* value = tigetstr(const_cast<char*>(name));
  // (char*)-1: the name is no string capability.
  if (value == nullptr || reinterpret_cast<std::intptr_t>(value) == -1) return std::nullopt;
  return std::string(value);
}

// Padding ("$<5>") is for the terminal's own timing, not part of the sequence.
std::string withoutPadding(std::string text) {
  for (std::size_t at; (at = text.find("$<")) != std::string::npos;) {
    const std::size_t end = text.find('>', at);
    if (end == std::string::npos) break;
    text.erase(at, end - at + 1);
  }
  return text;
}

// Row 5, column 7 the way ECMA-48 terminals take it.
bool ansiCursorAddressing() {
  const auto address = stringCapability("cup");
  if (!address) return false;
  const char* placed =
      tparm(const_cast<char*>(address->c_str()), 4L, 6L, 0L, 0L, 0L, 0L, 0L, 0L, 0L);
  return placed != nullptr && withoutPadding(placed) == "\x1b[5;7H";
}

}  // namespace

TerminalEntry lookUpTerminal(const char* term) {
  TerminalEntry entry;
  if (term == nullptr || *term == '\0') return entry;
  int error = 0;
  // Named by itself, so a size the terminal reports is not looked at here.
  if (setupterm(const_cast<char*>(term), -1, &error) != 0) return entry;
  entry.drawable = ansiCursorAddressing();
  entry.keypadOn = withoutPadding(stringCapability("smkx").value_or(""));
  entry.keypadOff = withoutPadding(stringCapability("rmkx").value_or(""));
  entry.xtermMeta = stringCapability("smm").value_or("") == "\x1b[?1034h";
  del_curterm(set_curterm(nullptr));
  return entry;
}

}  // namespace maze
