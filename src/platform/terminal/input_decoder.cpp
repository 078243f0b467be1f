#include "platform/terminal/input_decoder.hpp"

#include <algorithm>
#include <vector>

#include "platform/input_records.hpp"
#include "platform/keyboard_layout.hpp"

namespace maze {
namespace {

void emit(const KeyEventRecord& press, std::deque<InputRecord>& out) {
  appendPressAndRelease(press, out);
}

// Numeric parameters of a sequence; false when it holds anything else (a
// private marker, sub-parameters, intermediates), which no key sends.
bool parseParameters(const std::string& text, std::vector<int>& values) {
  values.clear();
  if (text.empty()) return true;
  int value = -1;  // -1: left out
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      value = value < 0 ? c - '0' : std::min(value * 10 + (c - '0'), 9999);
    } else if (c == ';') {
      values.push_back(value);
      value = -1;
    } else {
      return false;
    }
  }
  values.push_back(value);
  return true;
}

int parameter(const std::vector<int>& values, std::size_t index, int fallback) {
  return index < values.size() && values[index] >= 0 ? values[index] : fallback;
}

// A key that a sequence names, before the modifiers it was sent with.
struct KeySpec {
  enum Kind : std::uint8_t { None, Enhanced, Function, Center, KeypadEnter, Keypad, BackTab };
  Kind kind = None;
  std::uint16_t code = 0;  // virtual key, function key number or keypad character
  bool shift = false;      // held besides what the modifier parameter says
  bool ctrl = false;
};

constexpr KeySpec editing(std::uint16_t virtualKey, bool shift = false, bool ctrl = false) {
  return {KeySpec::Enhanced, virtualKey, shift, ctrl};
}
constexpr KeySpec function(int n, bool shift = false) {
  return {KeySpec::Function, static_cast<std::uint16_t>(n), shift, false};
}
constexpr KeySpec keypad(char ch) { return {KeySpec::Keypad, static_cast<std::uint16_t>(ch)}; }
constexpr KeySpec kCenter{KeySpec::Center};
constexpr KeySpec kNone{};

// "CSI n ~": xterm, rxvt, the Linux console and the vt220.
struct NumberedKey {
  int number;
  KeySpec key;
};
constexpr NumberedKey kNumberedKeys[] = {
    {1, editing(vk::kHome)},
    {2, editing(vk::kInsert)},
    {3, editing(vk::kDelete)},
    {4, editing(vk::kEnd)},
    {5, editing(vk::kPrior)},
    {6, editing(vk::kNext)},
    {7, editing(vk::kHome)},
    {8, editing(vk::kEnd)},
    {11, function(1)},
    {12, function(2)},
    {13, function(3)},
    {14, function(4)},
    {15, function(5)},
    {17, function(6)},
    {18, function(7)},
    {19, function(8)},
    {20, function(9)},
    {21, function(10)},
    {23, function(11)},
    {24, function(12)},
    // F13 to F20: the Linux console, putty and rxvt send them for Shift
    // with F3 to F10 (Shift+F1 and Shift+F2 being F11 and F12 there).
    {25, function(3, true)},
    {26, function(4, true)},
    {28, function(5, true)},
    {29, function(6, true)},
    {31, function(7, true)},
    {32, function(8, true)},
    {33, function(9, true)},
    {34, function(10, true)},
};

// rxvt says a numbered key's modifiers with its last byte.
struct NumberedFinal {
  std::uint8_t final;
  bool shift;
  bool ctrl;
};
constexpr NumberedFinal kNumberedFinals[] = {
    {'~', false, false}, {'$', true, false}, {'^', false, true}, {'@', true, true}};

// A letter after CSI, and after SS3.
struct LetterKey {
  std::uint8_t final;
  KeySpec csi;
  KeySpec ss3;
};
constexpr LetterKey kLetterKeys[] = {
    {'A', editing(vk::kUp), editing(vk::kUp)},
    {'B', editing(vk::kDown), editing(vk::kDown)},
    {'C', editing(vk::kRight), editing(vk::kRight)},
    {'D', editing(vk::kLeft), editing(vk::kLeft)},
    {'H', editing(vk::kHome), editing(vk::kHome)},
    {'F', editing(vk::kEnd), editing(vk::kEnd)},
    {'P', function(1), function(1)},
    {'Q', function(2), function(2)},
    {'R', function(3), function(3)},
    {'S', function(4), function(4)},
    // The keypad's 5 with Num Lock off; G is the Linux console's.
    {'E', kCenter, kCenter},
    {'G', kCenter, kNone},
    {'Z', {KeySpec::BackTab}, kNone},
    {'M', kNone, {KeySpec::KeypadEnter}},
    // rxvt's cursor keys: with Shift after CSI, with Ctrl after SS3.
    {'a', editing(vk::kUp, true), editing(vk::kUp, false, true)},
    {'b', editing(vk::kDown, true), editing(vk::kDown, false, true)},
    {'c', editing(vk::kRight, true), editing(vk::kRight, false, true)},
    {'d', editing(vk::kLeft, true), editing(vk::kLeft, false, true)},
    // The keypad in application mode, which keypad transmit may bring.
    {'j', kNone, keypad('*')},
    {'k', kNone, keypad('+')},
    {'l', kNone, keypad(',')},
    {'m', kNone, keypad('-')},
    {'n', kNone, keypad('.')},
    {'o', kNone, keypad('/')},
    {'p', kNone, keypad('0')},
    {'q', kNone, keypad('1')},
    {'r', kNone, keypad('2')},
    {'s', kNone, keypad('3')},
    {'t', kNone, keypad('4')},
    {'u', kNone, keypad('5')},
    {'v', kNone, keypad('6')},
    {'w', kNone, keypad('7')},
    {'x', kNone, keypad('8')},
    {'y', kNone, keypad('9')},
    {'X', kNone, keypad('=')},
};

void emitKey(KeySpec key, Modifiers m, std::deque<InputRecord>& out) {
  m.shift = m.shift || key.shift;
  m.ctrl = m.ctrl || key.ctrl;
  switch (key.kind) {
    case KeySpec::None: return;
    case KeySpec::Enhanced: emit(enhancedKey(key.code, m), out); return;
    case KeySpec::Function: emit(functionKey(key.code, m), out); return;
    case KeySpec::Center: emit(keypadCenterKey(m), out); return;
    case KeySpec::KeypadEnter: emit(keypadEnterKey(m), out); return;
    case KeySpec::Keypad: emit(keypadKey(static_cast<std::uint8_t>(key.code), m), out); return;
    case KeySpec::BackTab: {
      KeyEventRecord tab = keyForTerminalByte('\t', m.alt);
      tab.controlKeyState |= kShiftPressed | (m.ctrl ? kLeftCtrlPressed : 0);
      emit(tab, out);
      return;
    }
  }
}

const LetterKey* letterKey(std::uint8_t final) {
  for (const LetterKey& key : kLetterKeys) {
    if (key.final == final) return &key;
  }
  return nullptr;
}

void numberedKey(int number, Modifiers m, std::deque<InputRecord>& out) {
  for (const NumberedKey& key : kNumberedKeys) {
    if (key.number == number) emitKey(key.key, m, out);
  }
}

// Strings that terminals send about themselves, never keys: OSC, DCS,
// APC, PM and SOS.
bool introducesString(std::uint8_t byte) {
  return byte == ']' || byte == 'P' || byte == '_' || byte == '^' || byte == 'X';
}

// rxvt's "CSI 3 $": the '$' that would start an intermediate ends a key.
bool numberOnly(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

void InputDecoder::reset() {
  state_ = State::Ground;
  alt_ = false;
  sequence_.clear();
  overflow_ = false;
  string_.clear();
  mouseBytes_ = 0;
}

void InputDecoder::feed(const std::uint8_t* bytes, std::size_t length, std::int64_t nowNs,
                        std::deque<InputRecord>& out) {
  if (length == 0) return;
  lastByteNs_ = nowNs;
  for (std::size_t i = 0; i < length; ++i) {
    if (source_ == Source::Stream) {
      streamByte(bytes[i], out);
    } else {
      terminalByte(bytes[i], out);
    }
  }
}

void InputDecoder::streamByte(std::uint8_t byte, std::deque<InputRecord>& out) {
  streamKeys_.feed(byte, out);
}

void InputDecoder::terminalByte(std::uint8_t byte, std::deque<InputRecord>& out) {
  switch (state_) {
    case State::Ground: ground(byte, out); return;
    case State::Escape:
      if (byte == 0x1B) {
        if (alt_) emit(keyForTerminalByte(0x1B, true), out);
        alt_ = !alt_;
      } else if (byte == '[') {
        state_ = State::Csi;
      } else if (byte == 'O') {
        state_ = State::Ss3;
      } else if (alt_) {
        // ESC ESC then a plain byte: Alt+Esc, and the byte is a key of its own.
        emit(keyForTerminalByte(0x1B, true), out);
        reset();
        ground(byte, out);
      } else if (introducesString(byte)) {
        state_ = State::String;
        introducer_ = byte;
      } else if (byte >= 0x80) {
        reset();
        startChar(byte, true, out);
      } else {
        reset();
        emit(keyForTerminalByte(byte, true), out);
      }
      return;
    case State::Csi:
    case State::CsiBracket:
    case State::Ss3: sequenceByte(byte, out); return;
    case State::Char: charByte(byte, out); return;
    case State::String:
    case State::StringEscape: stringByte(byte, out); return;
    case State::Mouse:
      if (--mouseBytes_ == 0) reset();
      return;
  }
}

void InputDecoder::ground(std::uint8_t byte, std::deque<InputRecord>& out) {
  if (byte == 0x1B) {
    state_ = State::Escape;
    alt_ = false;
  } else if (byte >= 0x80) {
    startChar(byte, false, out);
  } else {
    emit(keyForTerminalByte(byte, false), out);
  }
}

void InputDecoder::sequenceByte(std::uint8_t byte, std::deque<InputRecord>& out) {
  const State state = state_;
  if (byte >= 0x40 && byte <= 0x7E) {
    if (state == State::Csi && sequence_.empty() && !overflow_) {
      if (byte == '[') {
        state_ = State::CsiBracket;  // the Linux console's "ESC [ [ A" for F1
        return;
      }
      if (byte == 'M') {
        state_ = State::Mouse;  // an X10 mouse report: three bytes follow
        mouseBytes_ = 3;
        return;
      }
    }
    if (!overflow_) {
      if (state == State::Csi) {
        decodeCsi(byte, out);
      } else if (state == State::Ss3) {
        decodeSs3(byte, out);
      } else if (byte >= 'A' && byte <= 'E') {
        Modifiers m;
        m.alt = alt_;
        emit(functionKey(byte - 'A' + 1, m), out);
      }
    }
    reset();
    return;
  }
  if (byte == '$' && state == State::Csi && numberOnly(sequence_)) {
    decodeCsi(byte, out);
    reset();
    return;
  }
  if (byte >= 0x20 && byte <= 0x3F && state != State::CsiBracket) {
    if (sequence_.size() < kMaxSequence) {
      sequence_.push_back(static_cast<char>(byte));
    } else {
      overflow_ = true;
    }
    return;
  }
  // Anything else cannot belong to a key's sequence: drop what was
  // collected and take the byte afresh.
  reset();
  ground(byte, out);
}

void InputDecoder::decodeCsi(std::uint8_t final, std::deque<InputRecord>& out) {
  std::vector<int> values;
  if (!parseParameters(sequence_, values)) return;
  if (final == 'R' && expectingReport_ && lastByteNs_ <= reportUntilNs_ && values.size() == 2 &&
      !alt_) {
    expectingReport_ = false;
    report_ = CursorReport{parameter(values, 0, 1), parameter(values, 1, 1)};
    return;
  }
  // Keys send at most a key number and a modifier, 2 to 16; the cursor
  // and F1 to F4 keys send the key number 1.
  const int modifier = parameter(values, 1, 1);
  if (values.size() > 2 || modifier > 16) return;
  Modifiers m = Modifiers::fromParameter(modifier);
  m.alt = m.alt || alt_;
  for (const NumberedFinal& f : kNumberedFinals) {
    if (f.final != final) continue;
    m.shift = m.shift || f.shift;
    m.ctrl = m.ctrl || f.ctrl;
    numberedKey(parameter(values, 0, 0), m, out);
    return;
  }
  // st's Delete and Insert when its keypad does not transmit.
  if (final == 'P' && values.empty()) {
    emit(enhancedKey(vk::kDelete, m), out);
    return;
  }
  if (final == 'h' && values.size() == 1 && values[0] == 4) {
    emit(enhancedKey(vk::kInsert, m), out);
    return;
  }
  if (parameter(values, 0, 1) != 1) return;
  if (const LetterKey* key = letterKey(final)) emitKey(key->csi, m, out);
}

void InputDecoder::decodeSs3(std::uint8_t final, std::deque<InputRecord>& out) {
  std::vector<int> values;
  if (!parseParameters(sequence_, values)) return;
  // Some terminals put the modifier alone before the final ("ESC O 5 P").
  const int modifier = values.empty() ? 1 : parameter(values, values.size() - 1, 1);
  if (values.size() > 2 || modifier > 16) return;
  Modifiers m = Modifiers::fromParameter(modifier);
  m.alt = m.alt || alt_;
  if (const LetterKey* key = letterKey(final)) emitKey(key->ss3, m, out);
}

// Swallowed whole up to BEL or ST (ESC \). A control byte, or an ESC that
// starts no ST, says it was no terminal's string but typing.
void InputDecoder::stringByte(std::uint8_t byte, std::deque<InputRecord>& out) {
  if (state_ == State::StringEscape) {
    if (byte == '\\') {
      reset();
      return;
    }
    typeString(out);
    terminalByte(0x1B, out);
    terminalByte(byte, out);
    return;
  }
  if (byte == 0x07) {
    reset();
  } else if (byte == 0x1B) {
    state_ = State::StringEscape;
  } else if (byte < 0x20 || byte == 0x7F) {
    typeString(out);
    terminalByte(byte, out);
  } else if (string_.size() < kMaxString) {
    string_.push_back(static_cast<char>(byte));
  } else {
    overflow_ = true;
  }
}

// What began like a string was typed: Alt with its introducer, then each
// key after it. One too long to keep was no typing.
void InputDecoder::typeString(std::deque<InputRecord>& out) {
  const std::string typed = std::move(string_);
  const bool lost = overflow_;
  const std::uint8_t introducer = introducer_;
  reset();
  if (lost) return;
  emit(keyForTerminalByte(introducer, true), out);
  for (char c : typed) terminalByte(static_cast<std::uint8_t>(c), out);
}

void InputDecoder::startChar(std::uint8_t lead, bool alt, std::deque<InputRecord>& out) {
  alt_ = alt;
  if (typed_.start(lead) == TypedChar::Step::More) {
    state_ = State::Char;
  } else {
    finishChar(out);
  }
}

void InputDecoder::charByte(std::uint8_t byte, std::deque<InputRecord>& out) {
  switch (typed_.add(byte)) {
    case TypedChar::Step::More: return;
    case TypedChar::Step::Done: finishChar(out); return;
    case TypedChar::Step::Rejected:
      finishChar(out);
      ground(byte, out);
      return;
  }
}

// One typed character: its code page byte, or '?'.
void InputDecoder::finishChar(std::deque<InputRecord>& out) {
  emit(keyForForeignChar(typed_.codePageByte(), alt_), out);
  reset();
}

void InputDecoder::expire(std::int64_t nowNs, std::deque<InputRecord>& out) {
  const auto due = deadline();
  if (due && nowNs >= *due) settle(out);
}

// Nothing more is coming: what has arrived is taken for what it can be.
void InputDecoder::settle(std::deque<InputRecord>& out) {
  const bool alt = alt_;
  const bool bare = sequence_.empty() && !overflow_;
  switch (state_) {
    case State::Escape: emit(keyForTerminalByte(0x1B, alt), out); break;
    case State::Csi:
      if (bare && !alt) emit(keyForTerminalByte('[', true), out);
      break;
    case State::Ss3:
      if (bare && !alt) emit(keyForTerminalByte('O', true), out);
      break;
    case State::Char:
      typed_.abandon();
      finishChar(out);
      break;
    case State::String:
      typeString(out);
      settle(out);  // a character cut short at its end
      return;
    case State::StringEscape:
      typeString(out);
      terminalByte(0x1B, out);
      settle(out);
      return;
    case State::CsiBracket:
    case State::Mouse:
    case State::Ground: break;
  }
  reset();
}

// An ESC alone may be the Esc key, and so may ESC with a string's
// introducer; once more has come, the rest is surely on its way.
std::optional<std::int64_t> InputDecoder::deadline() const {
  switch (state_) {
    case State::Ground: return std::nullopt;
    case State::Escape:
    case State::StringEscape: return lastByteNs_ + kEscapeTimeoutNs;
    case State::String:
      if (string_.empty() && !overflow_) return lastByteNs_ + kEscapeTimeoutNs;
      break;
    default: break;
  }
  return lastByteNs_ + kSequenceTimeoutNs;
}

std::optional<CursorReport> InputDecoder::takeCursorReport() {
  std::optional<CursorReport> report = report_;
  report_.reset();
  return report;
}

}  // namespace maze
