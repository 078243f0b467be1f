#include "platform/terminal/input_decoder.hpp"

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

std::optional<std::uint16_t> cursorKey(std::uint8_t final) {
  switch (final) {
    case 'A': return vk::kUp;
    case 'B': return vk::kDown;
    case 'C': return vk::kRight;
    case 'D': return vk::kLeft;
    case 'H': return vk::kHome;
    case 'F': return vk::kEnd;
    default: return std::nullopt;
  }
}

// The "CSI n ~" keys of xterm, rxvt and the Linux console.
void tildeKey(int n, Modifiers m, std::deque<InputRecord>& out) {
  switch (n) {
    case 1:
    case 7: emit(enhancedKey(vk::kHome, m), out); return;
    case 2: emit(enhancedKey(vk::kInsert, m), out); return;
    case 3: emit(enhancedKey(vk::kDelete, m), out); return;
    case 4:
    case 8: emit(enhancedKey(vk::kEnd, m), out); return;
    case 5: emit(enhancedKey(vk::kPrior, m), out); return;
    case 6: emit(enhancedKey(vk::kNext, m), out); return;
    default: break;
  }
  if (n >= 11 && n <= 15) {
    emit(functionKey(n - 10, m), out);
  } else if (n >= 17 && n <= 21) {
    emit(functionKey(n - 11, m), out);
  } else if (n == 23 || n == 24) {
    emit(functionKey(n - 12, m), out);
  }
}

KeyEventRecord shiftTab(bool alt) {
  KeyEventRecord key = keyForTerminalByte('\t', alt);
  key.controlKeyState |= kShiftPressed;
  return key;
}

}  // namespace

void InputDecoder::reset() {
  state_ = State::Ground;
  alt_ = false;
  sequence_.clear();
  overflow_ = false;
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
  if (byte >= 0x40 && byte <= 0x7E) {
    const State state = state_;
    if (state == State::Csi && byte == '[' && sequence_.empty() && !overflow_) {
      state_ = State::CsiBracket;  // the Linux console's "ESC [ [ A" for F1
      return;
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
  if (byte >= 0x20 && byte <= 0x3F && state_ != State::CsiBracket) {
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
  if (final != '~' && parameter(values, 0, 1) != 1) return;
  Modifiers m = Modifiers::fromParameter(modifier);
  m.alt = m.alt || alt_;
  if (emitLetterKey(final, m, out)) return;
  if (final == 'Z') {
    emit(shiftTab(m.alt), out);
  } else if (final == '~') {
    tildeKey(parameter(values, 0, 0), m, out);
  }
}

void InputDecoder::decodeSs3(std::uint8_t final, std::deque<InputRecord>& out) {
  std::vector<int> values;
  if (!parseParameters(sequence_, values)) return;
  // Some terminals put the modifier alone before the final ("ESC O 5 P").
  const int modifier = values.empty() ? 1 : parameter(values, values.size() - 1, 1);
  if (values.size() > 2 || modifier > 16) return;
  Modifiers m = Modifiers::fromParameter(modifier);
  m.alt = m.alt || alt_;
  if (emitLetterKey(final, m, out)) return;
  if (final == 'M') emit(keypadEnterKey(m), out);
}

// The keys both CSI and SS3 send with a letter: the cursor keys, Home and
// End, F1 to F4 and the keypad's 5.
bool InputDecoder::emitLetterKey(std::uint8_t final, Modifiers m, std::deque<InputRecord>& out) {
  if (const auto key = cursorKey(final)) {
    emit(enhancedKey(*key, m), out);
  } else if (final >= 'P' && final <= 'S') {
    emit(functionKey(final - 'P' + 1, m), out);
  } else if (final == 'E') {
    emit(keypadCenterKey(m), out);
  } else {
    return false;
  }
  return true;
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
  if (!due || nowNs < *due) return;
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
    case State::CsiBracket:
    case State::Ground: break;
  }
  reset();
}

std::optional<std::int64_t> InputDecoder::deadline() const {
  if (state_ == State::Ground) return std::nullopt;
  return lastByteNs_ + kEscapeTimeoutNs;
}

std::optional<CursorReport> InputDecoder::takeCursorReport() {
  std::optional<CursorReport> report = report_;
  report_.reset();
  return report;
}

}  // namespace maze
