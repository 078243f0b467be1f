// Every key that the system's terminal database lists for the terminals
// people use, fed through the decoder. The database is the oracle: no key's
// bytes are written here, only what each capability's name says the key is.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <deque>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "console/keyboard.hpp"
#include "platform/terminal/input_decoder.hpp"
#include "support/test_host.hpp"

namespace maze {
namespace {

// The database's entry for `name` becomes the current one; false when it
// has none. Defined at the end, beside the database's header.
bool loadEntry(const char* name);
std::optional<std::string> stringCapability(const std::string& name);

constexpr std::int64_t kMs = 1'000'000;

const char* const kTerminals[] = {
    "xterm", "vte",    "konsole", "rxvt-unicode", "Eterm",       "aterm",
    "st",    "linux",  "screen",  "tmux",         "putty",       "alacritty",
    "kitty", "nsterm", "iterm2",  "mintty",       "ms-terminal",
};

struct Pressed {
  std::uint16_t vk = 0;
  std::uint8_t ch = 0;
  std::uint32_t state = 0;
  KeyCode code = kNoKey;
};

enum class Kind {
  Exact,            // this key with exactly these modifiers
  ShiftedFunction,  // F13 and up: some function key with Shift, none twice
  Keypad,           // a key of the keypad: any key that has a code
  AltByte,          // ESC and one byte: Alt with the key that types it
};

struct Expected {
  Kind kind = Kind::Exact;
  std::uint16_t vk = 0;
  Modifiers m;
  std::uint8_t byte = 0;  // AltByte
};

constexpr std::uint32_t kModifierBits =
    kShiftPressed | kLeftAltPressed | kRightAltPressed | kLeftCtrlPressed | kRightCtrlPressed;

// The capabilities, with what their names say.
std::vector<std::pair<std::string, Expected>> capabilities() {
  std::vector<std::pair<std::string, Expected>> caps;
  const std::pair<const char*, std::uint16_t> plain[] = {
      {"kcuu1", vk::kUp},   {"kcud1", vk::kDown}, {"kcub1", vk::kLeft},   {"kcuf1", vk::kRight},
      {"khome", vk::kHome}, {"kend", vk::kEnd},   {"kich1", vk::kInsert}, {"kdch1", vk::kDelete},
      {"kpp", vk::kPrior},  {"knp", vk::kNext},   {"kbs", vk::kBack},     {"kent", vk::kReturn},
  };
  for (const auto& [name, key] : plain) caps.push_back({name, {Kind::Exact, key, {}}});
  Modifiers shift;
  shift.shift = true;
  caps.push_back({"kcbt", {Kind::Exact, vk::kTab, shift}});
  for (int n = 1; n <= 20; ++n) {
    const auto key = static_cast<std::uint16_t>(vk::kF1 + n - 1);
    caps.push_back({"kf" + std::to_string(n), n <= 12 ? Expected{Kind::Exact, key, {}}
                                                      : Expected{Kind::ShiftedFunction, 0, {}}});
  }
  // The extended names: the key, then xterm's modifier number (none: 2, Shift).
  const std::pair<const char*, std::uint16_t> modified[] = {
      {"kUP", vk::kUp},     {"kDN", vk::kDown},  {"kLFT", vk::kLeft},  {"kRIT", vk::kRight},
      {"kHOM", vk::kHome},  {"kEND", vk::kEnd},  {"kIC", vk::kInsert}, {"kDC", vk::kDelete},
      {"kPRV", vk::kPrior}, {"kNXT", vk::kNext},
  };
  for (const auto& [name, key] : modified) {
    caps.push_back({name, {Kind::Exact, key, Modifiers::fromParameter(2)}});
    for (int modifier = 3; modifier <= 8; ++modifier) {
      caps.push_back({name + std::to_string(modifier),
                      {Kind::Exact, key, Modifiers::fromParameter(modifier)}});
    }
  }
  // The keypad's corners and centre: the database's entries disagree on
  // which keys these are (the vt100's heirs name 1, 3, 2, 0 and the full
  // stop so), so any key that has a code.
  for (const char* name : {"ka1", "ka3", "kb2", "kc1", "kc3", "kbeg"}) {
    caps.push_back({name, {Kind::Keypad, 0, {}}});
  }
  return caps;
}

struct Decoding {
  InputDecoder decoder{InputDecoder::Source::Terminal};
  std::deque<InputRecord> out;
  void feed(const std::string& bytes, std::int64_t at) {
    decoder.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), at, out);
  }
};

std::vector<Pressed> pressesOf(const std::deque<InputRecord>& records) {
  TestHost layout;
  std::vector<Pressed> keys;
  for (const InputRecord& record : records) {
    const KeyEventRecord& k = record.key;
    if (!k.keyDown) continue;
    keys.push_back(
        {k.virtualKeyCode, k.ch, k.controlKeyState,
         translateKeyEvent(layout, k.ch, k.virtualScanCode, k.virtualKeyCode, k.controlKeyState)});
  }
  return keys;
}

std::vector<Pressed> decodeWhole(const std::string& bytes) {
  Decoding d;
  d.feed(bytes, 0);
  d.decoder.expire(10'000 * kMs, d.out);
  return pressesOf(d.out);
}

// Split in two reads 90 ms apart, as a remote link's jitter may split it.
std::vector<Pressed> decodeSplit(const std::string& bytes, std::size_t at) {
  Decoding d;
  d.feed(bytes.substr(0, at), 0);
  d.decoder.expire(90 * kMs, d.out);
  d.feed(bytes.substr(at), 90 * kMs);
  d.decoder.expire(10'000 * kMs, d.out);
  return pressesOf(d.out);
}

bool matches(const std::vector<Pressed>& keys, const Expected& e) {
  if (keys.size() != 1 || keys[0].code == kNoKey) return false;
  const Pressed& k = keys[0];
  switch (e.kind) {
    case Kind::Exact: return k.vk == e.vk && (k.state & kModifierBits) == e.m.controlKeyState();
    case Kind::ShiftedFunction:
      return k.vk >= vk::kF1 && k.vk < vk::kF1 + 12 && (k.state & kModifierBits) == kShiftPressed;
    case Kind::Keypad: return true;
    case Kind::AltByte: return k.ch == e.byte && (k.state & kLeftAltPressed) != 0;
  }
  return false;
}

std::string printable(const std::string& bytes) {
  std::string text;
  for (unsigned char c : bytes) {
    if (c == 0x1B) {
      text += "\\E";
    } else if (c < 0x20 || c >= 0x7F) {
      text += "\\x" + std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15];
    } else {
      text += static_cast<char>(c);
    }
  }
  return text;
}

std::string describe(const std::vector<Pressed>& keys) {
  std::string text;
  for (const Pressed& k : keys) {
    text += " {vk " + std::to_string(k.vk) + " ch " + std::to_string(k.ch) + " state " +
            std::to_string(k.state) + " code " + std::to_string(k.code) + "}";
  }
  return keys.empty() ? " nothing" : text;
}

// Without keypad transmit the cursor keys send CSI where the database has SS3.
std::string normalMode(const std::string& bytes) {
  if (bytes.size() == 3 && bytes[0] == 0x1B && bytes[1] == 'O' &&
      std::string("ABCDHF").find(bytes[2]) != std::string::npos) {
    return std::string("\x1b[") + bytes[2];
  }
  return bytes;
}

TEST(TerminfoKeys, EveryKeyOfTheTerminalsPeopleUseDecodesToTheKeyItNames) {
  const auto caps = capabilities();
  int cells = 0;
  int whole = 0;
  int right = 0;
  std::vector<std::string> wrong;
  for (const char* terminal : kTerminals) {
    ASSERT_TRUE(loadEntry(terminal)) << terminal << " is not in the terminal database";
    for (const bool keypadTransmit : {true, false}) {
      std::map<std::pair<std::uint16_t, std::uint32_t>, std::string> shiftedSeen;
      for (const auto& [name, nameSays] : caps) {
        const auto listed = stringCapability(name);
        if (!listed || listed->empty()) continue;
        const std::string bytes = keypadTransmit ? *listed : normalMode(*listed);
        Expected expected = nameSays;
        // ESC and one byte is Alt with that byte's key to the console,
        // whatever the entry calls it (Terminal.app's Alt+Left is ESC b).
        if (bytes.size() == 2 && bytes[0] == 0x1B && bytes[1] != '[' && bytes[1] != 'O') {
          expected = {Kind::AltByte, 0, {}, static_cast<std::uint8_t>(bytes[1])};
        }
        ++cells;
        const std::string where = std::string(terminal) + (keypadTransmit ? " " : " normal ") +
                                  name + " " + printable(bytes) + ":";
        const std::vector<Pressed> keys = decodeWhole(bytes);
        std::vector<Pressed> typedOn = decodeWhole(bytes + "z");
        bool ok = matches(keys, expected) && typedOn.size() == 2 && typedOn[1].ch == 'z';
        if (!ok) wrong.push_back(where + describe(keys) + " (then z:" + describe(typedOn) + ")");
        if (ok && expected.kind == Kind::ShiftedFunction) {
          auto [at, fresh] = shiftedSeen.try_emplace({keys[0].vk, keys[0].state}, name);
          if (!fresh) {
            wrong.push_back(where + " the same key as " + at->second);
            ok = false;
          }
        }
        if (!ok) continue;
        ++whole;
        for (std::size_t at = 1; at < bytes.size() && ok; ++at) {
          const std::vector<Pressed> split = decodeSplit(bytes, at);
          if (!matches(split, expected)) {
            wrong.push_back(where + " split at " + std::to_string(at) + describe(split));
            ok = false;
          }
        }
        if (ok) ++right;
      }
    }
  }
  std::cout << "[ cells    ] " << cells << " keys; " << whole << " decode right at once, " << right
            << " also split anywhere by 90 ms\n";
  std::string listing;
  for (std::size_t i = 0; i < wrong.size() && i < 80; ++i) listing += wrong[i] + "\n";
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " keys decode wrong:\n" << listing;
  EXPECT_GT(cells, 2000);
}

}  // namespace
}  // namespace maze

// Last: the database's header defines a macro for every capability's name.
#include <term.h>

namespace maze {
namespace {

bool loadEntry(const char* name) {
  if (TERMINAL* old = set_curterm(nullptr)) del_curterm(old);
  int error = 0;
  return setupterm(const_cast<char*>(name), STDERR_FILENO, &error) == 0;  // OK
}

std::optional<std::string> stringCapability(const std::string& name) {
  const char* value = tigetstr(const_cast<char*>(name.c_str()));
  if (value == nullptr || value == reinterpret_cast<char*>(-1)) return std::nullopt;
  return std::string(value);
}

}  // namespace
}  // namespace maze
