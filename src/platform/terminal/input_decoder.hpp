// Turns the bytes a terminal sends into the key events the console would
// deliver for the same keys: a press, then its release. Pure: bytes and the
// time they were read go in, events come out, so every sequence can be
// tested split at any point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "platform/byte_keys.hpp"
#include "platform/console_types.hpp"
#include "platform/terminal/key_events.hpp"
#include "platform/terminal/typed_char.hpp"

namespace maze {

struct CursorReport {
  int row = 0;     // 1-based
  int column = 0;  // 1-based
};

class InputDecoder {
 public:
  // A lone ESC is the Esc key once nothing has followed it for this long:
  // a key split in two by a remote link's jitter (up to 100 ms) stays one
  // key, and Esc alone still acts before the player notices a wait.
  static constexpr std::int64_t kEscapeTimeoutNs = 150'000'000;
  // Bytes that can only begin something longer (ESC [, ESC O, a
  // character's first byte, a string under way) wait this long for the
  // rest; only Alt+[ or Alt+O typed alone waits that long to be seen.
  static constexpr std::int64_t kSequenceTimeoutNs = 500'000'000;
  // Longer control sequences are not keys; they are dropped unread.
  static constexpr std::size_t kMaxSequence = 32;
  // A string the terminal sends (OSC, DCS, APC, PM, SOS) is dropped
  // whatever its length; this much of it is kept in case it was typing
  // after all (Alt+] and what followed) and is to be typed out.
  static constexpr std::size_t kMaxString = 256;

  enum class Source {
    Terminal,  // raw-mode terminal: escape sequences, Alt as an ESC prefix, UTF-8 (or `charset`)
    Stream,    // file, pipe or dumb terminal: every byte is one key; CR, LF and CR LF are Enter
  };

  // `charset`: the set a terminal's typed characters come in, when that is
  // not UTF-8.
  explicit InputDecoder(Source source, const KeyCharset* charset = nullptr)
      : source_(source), typed_(charset) {}

  // Decodes bytes read at `nowNs`, appending finished keys to `out`.
  void feed(const std::uint8_t* bytes, std::size_t length, std::int64_t nowNs,
            std::deque<InputRecord>& out);
  // Settles an unfinished sequence when nothing has followed it for the
  // timeout; call it only when no more bytes are waiting.
  void expire(std::int64_t nowNs, std::deque<InputRecord>& out);
  // When expire() will have something to settle; none when nothing waits.
  std::optional<std::int64_t> deadline() const;

  // The next cursor position report (CSI row;column R) read by `untilNs`
  // is the terminal's answer to a query, not a key; it comes back through
  // takeCursorReport(). Later the same bytes are a key (CSI 1;2R is
  // Shift+F3).
  void expectCursorReport(std::int64_t untilNs = INT64_MAX) {
    expectingReport_ = true;
    reportUntilNs_ = untilNs;
  }
  std::optional<CursorReport> takeCursorReport();

 private:
  enum class State {
    Ground,
    Escape,
    Csi,
    CsiBracket,
    Ss3,
    Char,
    String,        // after ESC ], ESC P, ESC _, ESC ^ or ESC X
    StringEscape,  // an ESC inside a string: ESC \ ends it
    Mouse,         // the three bytes of an X10 mouse report
  };

  void ground(std::uint8_t byte, std::deque<InputRecord>& out);
  void terminalByte(std::uint8_t byte, std::deque<InputRecord>& out);
  void streamByte(std::uint8_t byte, std::deque<InputRecord>& out);
  void sequenceByte(std::uint8_t byte, std::deque<InputRecord>& out);
  void charByte(std::uint8_t byte, std::deque<InputRecord>& out);
  void startChar(std::uint8_t lead, bool alt, std::deque<InputRecord>& out);
  void finishChar(std::deque<InputRecord>& out);
  void decodeCsi(std::uint8_t final, std::deque<InputRecord>& out);
  void decodeSs3(std::uint8_t final, std::deque<InputRecord>& out);
  void stringByte(std::uint8_t byte, std::deque<InputRecord>& out);
  void typeString(std::deque<InputRecord>& out);
  void settle(std::deque<InputRecord>& out);
  void reset();

  Source source_;
  State state_ = State::Ground;
  bool alt_ = false;      // an ESC came first
  std::string sequence_;  // parameter and intermediate bytes
  bool overflow_ = false;
  std::uint8_t introducer_ = 0;  // of the string under way
  std::string string_;
  int mouseBytes_ = 0;  // still to come
  TypedChar typed_;
  std::int64_t lastByteNs_ = 0;
  ByteKeyDecoder streamKeys_;  // a file or pipe: each byte a key
  bool expectingReport_ = false;
  std::int64_t reportUntilNs_ = 0;
  std::optional<CursorReport> report_;
};

}  // namespace maze
