// Every key the system's terminal database lists for the terminals people
// use, through the decoder. The database is the oracle: no key's bytes are
// written here, only what each capability's name says the key is.
#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "console/keyboard.hpp"
#include "platform/terminal/input_decoder.hpp"
#include "support/decoding.hpp"
#include "support/test_host.hpp"

namespace maze {
namespace {

// Beside the database's header, at the end.
bool loadEntry(const char* name);
std::optional<std::string> capability(const std::string& name);

const char* const kTerminals[] = {"xterm",  "vte",        "konsole", "rxvt-unicode", "Eterm",
                                  "aterm",  "st",         "linux",   "screen",       "tmux",
                                  "putty",  "alacritty",  "kitty",   "nsterm",       "iterm2",
                                  "mintty", "ms-terminal"};

// A capability and the key it names: virtual key and xterm's modifier
// number (1: none). F13 and up are some Shift+F key (kShifted), none
// twice; the keypad's corners, on which the entries disagree (the vt100's
// heirs name its 1, 3, 2, 0 and full stop so), any key with a code (kAny).
struct Named {
  std::string cap;
  std::uint16_t vk;
  int modifier;
};
constexpr std::uint16_t kShifted = 1, kAny = 2;

std::vector<Named> capabilities() {
  std::vector<Named> caps = {
      {"kcuu1", vk::kUp, 1},     {"kcud1", vk::kDown, 1},   {"kcub1", vk::kLeft, 1},
      {"kcuf1", vk::kRight, 1},  {"khome", vk::kHome, 1},   {"kend", vk::kEnd, 1},
      {"kich1", vk::kInsert, 1}, {"kdch1", vk::kDelete, 1}, {"kpp", vk::kPrior, 1},
      {"knp", vk::kNext, 1},     {"kbs", vk::kBack, 1},     {"kent", vk::kReturn, 1},
      {"kcbt", vk::kTab, 2},     {"ka1", kAny, 1},          {"ka3", kAny, 1},
      {"kb2", kAny, 1},          {"kc1", kAny, 1},          {"kc3", kAny, 1},
      {"kbeg", kAny, 1}};
  for (int n = 1; n <= 20; ++n) {
    caps.push_back(
        {"kf" + std::to_string(n), n <= 12 ? std::uint16_t(vk::kF1 + n - 1) : kShifted, 1});
  }
  // The extended names: the key, then the modifier number (none: 2).
  const std::pair<const char*, std::uint16_t> keys[] = {
      {"kUP", vk::kUp},     {"kDN", vk::kDown}, {"kLFT", vk::kLeft},  {"kRIT", vk::kRight},
      {"kHOM", vk::kHome},  {"kEND", vk::kEnd}, {"kIC", vk::kInsert}, {"kDC", vk::kDelete},
      {"kPRV", vk::kPrior}, {"kNXT", vk::kNext}};
  for (const auto& [name, key] : keys) {
    for (int modifier = 2; modifier <= 8; ++modifier) {
      caps.push_back({name + (modifier == 2 ? "" : std::to_string(modifier)), key, modifier});
    }
  }
  return caps;
}

// `bytes`, cut in two reads 90 ms apart at `at` (0: one read), then "z".
std::vector<Key> decode(const std::string& bytes, std::size_t at) {
  Decoding d;
  d.read(bytes.substr(0, at), 0);
  d.read(bytes.substr(at) + "z", 90 * kMs);
  d.expire(INT64_MAX);
  return d.keys();
}

bool named(const Named& c, const std::string& bytes, const std::vector<Key>& keys) {
  TestHost layout;
  if (keys.size() != 2 || keys[1].ch != 'z') return false;
  const Key& k = keys[0];
  if (translateKeyEvent(layout, k.ch, k.scan, k.vk, k.state) == kNoKey) return false;
  const std::uint32_t modifiers = k.state & 0x1F;
  // ESC and one byte is Alt with that byte's key, whatever the entry calls
  // it (Terminal.app's Alt+Left is ESC b; the console's Alt+B stays).
  if (bytes.size() == 2 && bytes[0] == 0x1B && bytes[1] != '[' && bytes[1] != 'O') {
    return k.ch == static_cast<std::uint8_t>(bytes[1]) && (modifiers & kLeftAltPressed);
  }
  if (c.vk == kAny) return true;
  if (c.vk == kShifted) return k.vk >= vk::kF1 && k.vk < vk::kF1 + 12 && modifiers == kShiftPressed;
  return k.vk == c.vk && modifiers == Modifiers::fromParameter(c.modifier).controlKeyState();
}

TEST(TerminfoKeys, EveryKeyOfTheTerminalsPeopleUseIsTheKeyItsNameSays) {
  int cells = 0;
  std::vector<std::string> wrong;
  for (const char* terminal : kTerminals) {
    ASSERT_TRUE(loadEntry(terminal)) << terminal << " is not in the terminal database";
    for (const bool transmit : {true, false}) {
      std::set<std::pair<std::uint16_t, std::uint32_t>> shifted;  // none twice
      for (const Named& c : capabilities()) {
        std::string bytes = capability(c.cap).value_or("");
        if (bytes.empty()) continue;
        // Without keypad transmit the cursor keys send CSI for SS3.
        if (!transmit && bytes.size() == 3 && bytes[1] == 'O' &&
            std::string("ABCDHF").find(bytes[2]) != std::string::npos) {
          bytes[1] = '[';
        }
        ++cells;
        for (std::size_t at = 0; at < bytes.size(); ++at) {
          const std::vector<Key> keys = decode(bytes, at);
          if (!named(c, bytes, keys) ||
              (c.vk == kShifted && at == 0 &&
               !shifted.insert({keys[0].vk, keys[0].state & 0x1F}).second)) {
            wrong.push_back(std::string(terminal) + " " + c.cap + " " +
                            testing::PrintToString(bytes) + " split at " + std::to_string(at) +
                            ": " + std::to_string(keys.size()) + " keys");
            break;
          }
        }
      }
    }
  }
  std::cout << "[ keys     ] " << cells << " listed and normal-mode forms\n";
  EXPECT_GT(cells, 2000);
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " wrong, first " << wrong.front();
}

}  // namespace
}  // namespace maze

// Last: the header defines a macro for every capability's name.
#include <term.h>

namespace maze {
namespace {

bool loadEntry(const char* name) {
  if (TERMINAL* old = set_curterm(nullptr)) del_curterm(old);
  int error = 0;
  return setupterm(const_cast<char*>(name), -1, &error) == 0;
}

std::optional<std::string> capability(const std::string& name) {
  const char* value = tigetstr(const_cast<char*>(name.c_str()));
  // (char*)-1: the name is no string capability.
  if (value == nullptr || reinterpret_cast<std::intptr_t>(value) == -1) return std::nullopt;
  return std::string(value);
}

}  // namespace
}  // namespace maze
