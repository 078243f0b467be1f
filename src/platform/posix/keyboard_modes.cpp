#include "platform/posix/keyboard_modes.hpp"

namespace maze {
namespace {

// xterm's "send ESC when Meta (or Alt) modifies a key", saved and put back
// with its own save and restore of private modes.
constexpr std::string_view kSaveAlt = "\x1b[?1036;1039s";
constexpr std::string_view kAltSendsEscape = "\x1b[?1036;1039h";
constexpr std::string_view kRestoreAlt = "\x1b[?1036;1039r";

}  // namespace

KeyboardModes::KeyboardModes(const TerminalEntry& entry) {
  // Only a mode that can be turned off again is turned on.
  if (!entry.keypadOn.empty() && !entry.keypadOff.empty()) {
    set_ = entry.keypadOn;
    leave_ = entry.keypadOff;
  }
  if (entry.xtermMeta) {
    save_ = kSaveAlt;
    set_ += kAltSendsEscape;
    leave_ += kRestoreAlt;
  }
}

std::string KeyboardModes::enter() {
  std::string bytes = entered_ ? set_ : save_ + set_;
  entered_ = true;
  return bytes;
}

std::string_view KeyboardModes::leave() {
  if (!entered_) return {};
  entered_ = false;
  return leave_;
}

}  // namespace maze
