// The decoder against what is written out here, the bytes of keys and the
// times they arrive, and against the system's terminal database: for the
// terminals people use no key's bytes are written here, only what each
// capability's name says the key is.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "console/keyboard.hpp"
#include "platform/keyboard_layout.hpp"
#include "platform/terminal/input_decoder.hpp"
#include "support/test_host.hpp"

namespace maze {
namespace {

constexpr std::uint32_t kAlt = kLeftAltPressed;
constexpr std::uint32_t kCtrl = kLeftCtrlPressed;
constexpr std::uint32_t kShift = kShiftPressed;
constexpr std::int64_t kMs = 1'000'000;

struct Key {
  std::uint16_t vk;
  std::uint16_t scan;
  std::uint8_t ch;
  std::uint32_t state;
  friend bool operator==(const Key&, const Key&) = default;
  friend void PrintTo(const Key& k, std::ostream* os) {
    *os << "{vk " << std::hex << k.vk << " scan " << k.scan << " ch " << int{k.ch} << " state "
        << k.state << "}";
  }
};

// Presses in order; checks that each is followed by its own release.
std::vector<Key> presses(const std::deque<InputRecord>& records) {
  std::vector<Key> keys;
  EXPECT_EQ(records.size() % 2, 0u);
  for (std::size_t i = 0; i + 1 < records.size(); i += 2) {
    const KeyEventRecord& down = records[i].key;
    const KeyEventRecord& up = records[i + 1].key;
    EXPECT_TRUE(records[i].eventType == kKeyEvent && down.keyDown && !up.keyDown);
    EXPECT_TRUE(down.repeatCount == 1 && up.repeatCount == 1);
    keys.push_back({down.virtualKeyCode, down.virtualScanCode, down.ch, down.controlKeyState});
    EXPECT_EQ(keys.back(), (Key{up.virtualKeyCode, up.virtualScanCode, up.ch, up.controlKeyState}));
  }
  return keys;
}

struct Decoding {
  explicit Decoding(InputDecoder::Source source = InputDecoder::Source::Terminal)
      : decoder(source) {}
  void feed(const std::string& bytes, std::int64_t at) {
    decoder.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), at, out);
  }
  void expire(std::int64_t at) { decoder.expire(at, out); }
  // Bytes read at `at`, once what was due by then has settled.
  void read(const std::string& bytes, std::int64_t at) {
    expire(at);
    feed(bytes, at);
  }
  std::vector<Key> keys() const { return presses(out); }

  InputDecoder decoder;
  std::deque<InputRecord> out;
};

Key enhanced(std::uint16_t vk, std::uint32_t state = 0) {
  return {vk, usScanCodeForVirtualKey(vk), 0, state | kEnhancedKey};
}
// Scan codes written out rather than taken from the layout code under test:
// F1 to F10 from 0x3B on, F11 and F12 0x57 and 0x58.
Key fkey(int n, std::uint32_t state = 0) {
  const auto scan = static_cast<std::uint16_t>(n <= 10 ? 0x3A + n : 0x4C + n);
  return {static_cast<std::uint16_t>(vk::kF1 + n - 1), scan, 0, state};
}
Key foreign(std::uint8_t ch, std::uint32_t state = 0) { return {0, 0, ch, state}; }
Key letter(char lower, std::uint32_t state = 0) {
  const auto vk = static_cast<std::uint16_t>(lower - 'a' + 'A');
  return {vk, usScanCodeForVirtualKey(vk), static_cast<std::uint8_t>(lower), state};
}
const Key kEsc{vk::kEscape, scan::kEscape, 27, 0};
const Key kEnter{vk::kReturn, scan::kReturn, 13, 0};
const Key kBackspace{vk::kBack, scan::kBack, 8, 0};

// All of `bytes` at once, and the keys it settles to once time has passed.
std::vector<Key> decode(const std::string& bytes,
                        InputDecoder::Source source = InputDecoder::Source::Terminal) {
  Decoding d(source);
  d.feed(bytes, 0);
  d.expire(1000 * kMs);
  return d.keys();
}

struct Case {
  std::string bytes;
  std::vector<Key> keys;
};

// Sequences the terminal sends for keys, each with the events the console
// would deliver for the same key.
const std::vector<Case>& sequences() {
  static const std::vector<Case> cases = {
      {"\x1b[A", {enhanced(vk::kUp)}},
      {"\x1b[B", {enhanced(vk::kDown)}},
      {"\x1b[C", {enhanced(vk::kRight)}},
      {"\x1b[D", {enhanced(vk::kLeft)}},
      {"\x1bOA", {enhanced(vk::kUp)}},
      {"\x1bOD", {enhanced(vk::kLeft)}},
      {"\x1b[H", {enhanced(vk::kHome)}},
      {"\x1b[F", {enhanced(vk::kEnd)}},
      {"\x1bOH", {enhanced(vk::kHome)}},
      {"\x1b[1~", {enhanced(vk::kHome)}},
      {"\x1b[4~", {enhanced(vk::kEnd)}},
      {"\x1b[7~", {enhanced(vk::kHome)}},
      {"\x1b[2~", {enhanced(vk::kInsert)}},
      {"\x1b[3~", {enhanced(vk::kDelete)}},
      {"\x1b[5~", {enhanced(vk::kPrior)}},
      {"\x1b[6~", {enhanced(vk::kNext)}},
      {"\x1b[1;5A", {enhanced(vk::kUp, kCtrl)}},
      {"\x1b[1;2B", {enhanced(vk::kDown, kShift)}},
      {"\x1b[1;3C", {enhanced(vk::kRight, kAlt)}},
      {"\x1b[1;8D", {enhanced(vk::kLeft, kShift | kAlt | kCtrl)}},
      {"\x1b[1;9A", {enhanced(vk::kUp, kAlt)}},  // xterm's meta bit is Alt too
      {"\x1b[3;5~", {enhanced(vk::kDelete, kCtrl)}},
      {"\x1b[5;3~", {enhanced(vk::kPrior, kAlt)}},
      {"\x1bOP", {fkey(1)}},
      {"\x1bOQ", {fkey(2)}},
      {"\x1bOR", {fkey(3)}},
      {"\x1bOS", {fkey(4)}},
      {"\x1bO5S", {fkey(4, kCtrl)}},
      {"\x1b[1;5P", {fkey(1, kCtrl)}},
      {"\x1b[1;3S", {fkey(4, kAlt)}},
      {"\x1b[11~", {fkey(1)}},
      {"\x1b[15~", {fkey(5)}},
      {"\x1b[17~", {fkey(6)}},
      {"\x1b[21~", {fkey(10)}},
      {"\x1b[23~", {fkey(11)}},
      {"\x1b[24~", {fkey(12)}},
      {"\x1b[15;2~", {fkey(5, kShift)}},
      {"\x1b[24;6~", {fkey(12, kShift | kCtrl)}},
      {"\x1b[[A", {fkey(1)}},
      {"\x1b[[E", {fkey(5)}},
      {"\x1b[Z", {{vk::kTab, scan::kTab, 9, kShift}}},
      {"\x1b[E", {{0x0C, scan::kNumpad5, 0, 0}}},
      {"\x1bOM", {{vk::kReturn, scan::kReturn, 13, kEnhancedKey}}},
      {"\x1b\x1b[A", {enhanced(vk::kUp, kAlt)}},
      {"\033a", {letter('a', kAlt)}},
      {"\033A", {{'A', usScanCodeForVirtualKey('A'), 'A', kShift | kAlt}}},
      {"\x1b\x7f", {{vk::kBack, scan::kBack, 8, kAlt}}},
      {"\x1b\r", {{vk::kReturn, scan::kReturn, 13, kAlt}}},
      {"\x1b\xc3\xa9", {foreign(0x82, kAlt)}},
      // st's Delete and Insert when its keypad does not transmit.
      {"\x1b[P", {enhanced(vk::kDelete)}},
      {"\x1b[4h", {enhanced(vk::kInsert)}},
      // The keypad in application mode.
      {"\x1bOu", {{0x65, scan::kNumpad5, '5', 0}}},
      {"\x1bOp", {{0x60, 0x52, '0', 0}}},
      {"\x1bOj", {{0x6A, 0x37, '*', 0}}},
  };
  return cases;
}

TEST(PosixInputDecoder, PlainBytesAreTheKeysThatTypeThem) {
  EXPECT_EQ(decode("a"), std::vector<Key>{letter('a')});
  EXPECT_EQ(decode("Q"), (std::vector<Key>{{'Q', usScanCodeForVirtualKey('Q'), 'Q', kShift}}));
  EXPECT_EQ(decode("1!"), (std::vector<Key>{{'1', 0x02, '1', 0}, {'1', 0x02, '!', kShift}}));
  EXPECT_EQ(decode(" "), (std::vector<Key>{{vk::kSpace, 0x39, ' ', 0}}));
  EXPECT_EQ(decode("\r"), std::vector<Key>{kEnter});
  EXPECT_EQ(decode("\n"), (std::vector<Key>{{vk::kReturn, scan::kReturn, 10, kCtrl}}));
  EXPECT_EQ(decode("\t"), (std::vector<Key>{{vk::kTab, scan::kTab, 9, 0}}));
  EXPECT_EQ(decode("\x7f\b"), (std::vector<Key>{kBackspace, kBackspace}));
  EXPECT_EQ(decode("\x01\x1a"), (std::vector<Key>{{'A', 0x1E, 1, kCtrl}, {'Z', 0x2C, 26, kCtrl}}));
  // Ctrl with the symbol keys that make control bytes.
  EXPECT_EQ(decode("\x1d"), (std::vector<Key>{{0xDD, 0x1B, 0x1d, kCtrl}}));
  EXPECT_EQ(decode("\x1f"), (std::vector<Key>{{0xBD, 0x0C, 0x1f, kCtrl | kShift}}));
  // NUL is Ctrl+@, a key without a character, and decoding goes on after it.
  EXPECT_EQ(decode(std::string("\0a", 2)),
            (std::vector<Key>{{'2', 0x03, 0, kCtrl | kShift}, letter('a')}));
}

// Every sequence whole and followed by typing (nothing leaks, nothing is
// lost), and split at every byte: the rest read in time decodes alike;
// read too late, the part that came is settled on its own and the rest is
// typing.
TEST(PosixInputDecoder, SequencesBecomeTheConsolesKeysHoweverSplit) {
  for (const Case& c : sequences()) {
    const std::string seq = ::testing::PrintToString(c.bytes);
    EXPECT_EQ(decode(c.bytes), c.keys) << seq;
    std::vector<Key> expected = c.keys;
    expected.push_back(letter('z'));
    EXPECT_EQ(decode(c.bytes + "z"), expected) << seq;
    for (std::size_t at = 1; at < c.bytes.size(); ++at) {
      const std::string prefix = c.bytes.substr(0, at);
      const std::string rest = c.bytes.substr(at);
      Decoding inTime;
      inTime.feed(prefix, 0);
      inTime.expire(10 * kMs);  // read again before the timeout: still waiting
      inTime.feed(rest, 20 * kMs);
      inTime.expire(1000 * kMs);
      EXPECT_EQ(inTime.keys(), c.keys) << seq << " split at " << at;

      expected.clear();
      if (prefix == "\x1b") {
        expected.push_back(kEsc);
      } else if (prefix == "\x1b\x1b") {
        expected.push_back({vk::kEscape, scan::kEscape, 27, kAlt});
      } else if (prefix == "\x1b[") {
        expected.push_back({0xDB, 0x1A, '[', kAlt});
      } else if (prefix == "\x1bO") {
        expected.push_back({'O', usScanCodeForVirtualKey('O'), 'O', kShift | kAlt});
      } else if (prefix == "\x1b\xc3") {
        expected.push_back(foreign('?', kAlt));
      }
      for (const Key& k : decode(rest)) expected.push_back(k);
      Decoding late;
      late.feed(prefix, 0);
      ASSERT_TRUE(late.decoder.deadline().has_value());
      const std::int64_t due = *late.decoder.deadline();
      late.expire(due);
      late.feed(rest, due + kMs);
      late.expire(1000 * kMs);
      EXPECT_EQ(late.keys(), expected) << seq << " split late at " << at;
    }
  }
}

// What the console's own translation makes of the decoded events: the key
// codes a player gets on Windows for the same keys.
TEST(PosixInputDecoder, TranslatedKeyCodesMatchTheConsoles) {
  TestHost layout;
  auto ext = [](int c) { return c * 256 + 255; };
  const std::pair<std::string, KeyCode> codes[] = {
      {"q", 'q'},
      {"\r", 13},
      {"\x7f", 8},
      {"\t", 9},
      {"\x1b", 27},
      {"\x03", 3},
      {"\x1b[A", ext(0x48)},
      {"\x1bOB", ext(0x50)},
      {"\x1b[1;5A", ext(0x8D)},
      {"\x1b[1;3A", ext(0x98)},
      {"\x1b[H", ext(0x47)},
      {"\x1b[4~", ext(0x4F)},
      {"\x1b[3~", ext(0x53)},
      {"\x1b[2~", ext(0x52)},
      {"\x1b[6;5~", ext(0x76)},
      {"\x1bOP", ext(0x3B)},
      {"\x1b[21~", ext(0x44)},
      {"\x1b[15;2~", ext(0x3F + 0x19)},
      {"\x1b[1;5R", ext(0x3D + 0x23)},
      {"\x1b[1;3S", ext(0x6B)},  // Alt+F4
      {"\x1b[23~", ext(0x85)},
      {"\x1b[24;3~", ext(0x8C)},
      {"\x1b[Z", ext(0x0F)},
      {"\033a", ext(0x1E)},
      {"\0337", ext(0x82)},
      {"\x1b\x7f", ext(0xE0)},
      {"\x1b\x1b", ext(0x01)},
      {"\xc3\xa9", 0x82},
      {"\x1b[25~", ext(0x3D + 0x19)},
  };
  for (const auto& [bytes, code] : codes) {
    const std::vector<Key> keys = decode(bytes);
    ASSERT_EQ(keys.size(), 1u) << ::testing::PrintToString(bytes);
    EXPECT_EQ(translateKeyEvent(layout, keys[0].ch, keys[0].scan, keys[0].vk, keys[0].state), code)
        << ::testing::PrintToString(bytes);
  }
}

TEST(PosixInputDecoder, LoneEscapeWaitsForItsTimeout) {
  Decoding d;
  d.feed("\x1b", 5 * kMs);
  EXPECT_EQ(d.decoder.deadline(), std::optional(5 * kMs + InputDecoder::kEscapeTimeoutNs));
  d.expire(5 * kMs + InputDecoder::kEscapeTimeoutNs - 1);
  EXPECT_TRUE(d.keys().empty());
  d.expire(5 * kMs + InputDecoder::kEscapeTimeoutNs);
  EXPECT_EQ(d.keys(), std::vector<Key>{kEsc});
  EXPECT_FALSE(d.decoder.deadline().has_value());

  // Alt with a string's introducer is a key as soon as a lone Esc would be.
  Decoding bracket;
  bracket.feed("\x1b]", 0);
  bracket.expire(InputDecoder::kEscapeTimeoutNs);
  EXPECT_EQ(bracket.keys(), (std::vector<Key>{{0xDD, 0x1B, ']', kAlt}}));

  // A byte that follows in time makes it Alt, whenever it is looked at.
  Decoding late;
  late.feed("\x1b", 0);
  late.feed("x", 24 * kMs);
  late.expire(500 * kMs);
  EXPECT_EQ(late.keys(), std::vector<Key>{letter('x', kAlt)});

  EXPECT_EQ(decode("\x1b\x1b\x1b"),
            (std::vector<Key>{{vk::kEscape, scan::kEscape, 27, kAlt}, kEsc}));
  EXPECT_EQ(decode("\x1b\x1bq"),
            (std::vector<Key>{{vk::kEscape, scan::kEscape, 27, kAlt}, letter('q')}));
}

// Read by read, at the times the bytes arrive (ms): keys split by a remote
// link, the strings and mouse reports a terminal sends that are no keys,
// and typing that only looks like them. The keys by name, "A-" for Alt.
TEST(PosixInputDecoder, ReadsSettleToTheKeysTyped) {
  struct Read {
    std::string bytes;
    int atMs;
  };
  struct Case {
    const char* name;
    std::vector<Read> reads;
    const char* keys;
  };
  const Case cases[] = {
      {"CsiThenTheRest400msLater", {{"\x1b[", 0}, {"A", 400}}, "Up"},
      {"EscThenTheRest200msLater", {{"\x1b", 0}, {"[A", 200}}, "Esc [ A"},
      // Strings a terminal sends are swallowed whole, however they arrive.
      {"TitleEndedByBel", {{"\x1b]0;title\az", 0}}, "z"},
      {"ClipboardEndedBySt", {{"\x1b]52;c;aGVsbG8=\x1b\\z", 0}}, "z"},
      {"DeviceControlString", {{"\x1bP1$r0m\x1b\\z", 0}}, "z"},
      {"ApplicationProgramCommand", {{"\x1b_Gi=1;OK\x1b\\z", 0}}, "z"},
      {"StringInThreeReads", {{"\x1b", 0}, {"]0;ti", 90}, {"tle\a", 180}, {"z", 190}}, "z"},
      {"StSplitInTwo", {{"\x1b]0;t\x1b", 0}, {"\\z", 90}}, "z"},
      {"LongStringCutShort", {{"\x1b]52;c;" + std::string(1000, 'A'), 0}, {"z", 2000}}, "z"},
      // Typing that begins like a string is typing.
      {"AltCloseBracketAlone", {{"\x1b]", 0}}, "A-]"},
      {"AltShiftPThenALine", {{"\x1bPn", 0}, {"\r", 50}}, "A-P n Enter"},
      {"AltCloseBracketThenAPause", {{"\x1b]ab", 0}}, "A-] a b"},
      {"AltCaretThenEsc", {{"\x1b^\x1b", 0}}, "A-^ Esc"},
      // X10 mouse reports: CSI M and three bytes of any value.
      {"MouseReport", {{"\x1b[M\xff!!z", 0}}, "z"},
      {"MouseReportSplit", {{"\x1b[M ", 0}, {"!", 90}, {"!z", 180}}, "z"},
  };
  for (const Case& c : cases) {
    Decoding d;
    for (const Read& read : c.reads) d.read(read.bytes, read.atMs * kMs);
    d.expire(INT64_MAX);
    EXPECT_FALSE(d.decoder.deadline().has_value()) << c.name;
    std::string keys;
    for (const Key& k : d.keys()) {
      if (!keys.empty()) keys += ' ';
      if (k.state & kAlt) keys += "A-";
      keys += k.vk == vk::kUp ? "Up"
              : k.ch == 0x1B  ? "Esc"
              : k.ch == '\r'  ? "Enter"
                              : std::string(1, static_cast<char>(k.ch));
    }
    EXPECT_EQ(keys, c.keys) << c.name;
  }
}

TEST(PosixInputDecoder, UnknownSequencesAreDroppedWhole) {
  const char* unknown[] = {
      "\x1b[200~", "\x1b[?1;2c", "\x1b[<0;10;5M", "\x1b[99~", "\x1b[1;5X",   "\x1b[27;5;13~",
      "\x1b[1:2A", "\x1b[ q",    "\x1bO5z",       "\x1b[[Z",  "\x1b[12;40R", "\x1b[I",
  };
  for (const char* bytes : unknown) {
    EXPECT_EQ(decode(std::string(bytes) + "z"), std::vector<Key>{letter('z')})
        << ::testing::PrintToString(std::string(bytes));
  }
  // Longer than any key's sequence: dropped unread, however long.
  EXPECT_EQ(decode("\x1b[" + std::string(100'000, '1') + "Az"), std::vector<Key>{letter('z')});
  // and the next sequence is read afresh.
  EXPECT_EQ(decode("\x1b[" + std::string(100'000, '1') + "A\x1b[B"),
            std::vector<Key>{enhanced(vk::kDown)});
  // A letter key takes no first parameter but 1.
  EXPECT_EQ(decode("\x1b[2Az"), std::vector<Key>{letter('z')});
  // A string the terminal sent leaves nothing behind for typing after it.
  EXPECT_EQ(decode("\x1b]0;t\a\x1b]a"), (std::vector<Key>{{0xDD, 0x1B, ']', kAlt}, letter('a')}));
  // A control byte cannot be inside a sequence: it is a key of its own.
  EXPECT_EQ(decode("\x1b[1;\r"), std::vector<Key>{kEnter});
  EXPECT_EQ(decode("\x1b[1;\x1b[B"), std::vector<Key>{enhanced(vk::kDown)});
}

TEST(PosixInputDecoder, Utf8BecomesTheCodePageByteOrAQuestionMark) {
  EXPECT_EQ(decode("\xc3\xa9"), std::vector<Key>{foreign(0x82)});         // e acute
  EXPECT_EQ(decode("\xc3\x9f"), std::vector<Key>{foreign(0xE1)});         // sharp s
  EXPECT_EQ(decode("\xc2\xa3"), std::vector<Key>{foreign(0x9C)});         // pound
  EXPECT_EQ(decode("\xe2\x82\xac"), std::vector<Key>{foreign('?')});      // euro
  EXPECT_EQ(decode("\xf0\x9f\x98\x80"), std::vector<Key>{foreign('?')});  // emoji
  // A smiley is a control-range glyph: it must not type Ctrl+A.
  EXPECT_EQ(decode("\xe2\x98\xba"), std::vector<Key>{foreign('?')});
  // Invalid bytes: each broken piece is one '?', and decoding goes on.
  EXPECT_EQ(decode("\377a"), (std::vector<Key>{foreign('?'), letter('a')}));
  EXPECT_EQ(decode("\x80"), std::vector<Key>{foreign('?')});
  EXPECT_EQ(decode("\303a"), (std::vector<Key>{foreign('?'), letter('a')}));
  EXPECT_EQ(decode("\xc0\xaf"), (std::vector<Key>{foreign('?'), foreign('?')}));
  EXPECT_EQ(decode("\xe0\x80\xaf"), std::vector<Key>{foreign('?')});  // overlong
  EXPECT_EQ(decode("\xe0\x83\xa9"), std::vector<Key>{foreign('?')});  // an overlong e acute
  // A lead byte where a continuation byte belongs starts a character anew.
  EXPECT_EQ(decode("\xc3\xc3\xa9"), (std::vector<Key>{foreign('?'), foreign(0x82)}));
  EXPECT_EQ(decode("\xed\xa0\x80"), std::vector<Key>{foreign('?')});  // surrogate
  EXPECT_EQ(decode("\xc3\x1b[A"), (std::vector<Key>{foreign('?'), enhanced(vk::kUp)}));
  // Cut short and nothing follows: settled at the timeout.
  Decoding d;
  d.feed("\xe2\x82", 0);
  d.expire(InputDecoder::kSequenceTimeoutNs - 1);
  EXPECT_TRUE(d.keys().empty());
  d.expire(InputDecoder::kSequenceTimeoutNs);
  EXPECT_EQ(d.keys(), std::vector<Key>{foreign('?')});
}

TEST(PosixInputDecoder, CursorReportIsTakenOnlyWhenAsked) {
  Decoding d;
  d.decoder.expectCursorReport();
  d.feed("a\x1b[12;1Rb", 0);
  EXPECT_EQ(d.keys(), (std::vector<Key>{letter('a'), letter('b')}));
  const auto report = d.decoder.takeCursorReport();
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(std::pair(report->row, report->column), std::pair(12, 1));
  EXPECT_FALSE(d.decoder.takeCursorReport().has_value());
  // Only one answer was asked for: the same bytes now are Ctrl+F3's.
  d.out.clear();
  d.feed("\x1b[1;5R", 0);
  EXPECT_EQ(d.keys(), std::vector<Key>{fkey(3, kCtrl)});
  // Asked for until a time: after it, the bytes are Shift+F3's.
  d.out.clear();
  d.decoder.expectCursorReport(10 * kMs);
  d.feed("\x1b[1;2R", 11 * kMs);
  EXPECT_EQ(d.keys(), std::vector<Key>{fkey(3, kShift)});
}

TEST(PosixInputDecoder, StreamBytesAreKeysWithOneEnterPerLineEnd) {
  using S = InputDecoder::Source;
  EXPECT_EQ(decode("n\r\nx\n", S::Stream),
            (std::vector<Key>{letter('n'), kEnter, letter('x'), kEnter}));
  // 127 in a file is the character; only a terminal's Backspace sends it.
  EXPECT_EQ(decode("x\x7f\b", S::Stream),
            (std::vector<Key>{letter('x'), foreign(0x7F), kBackspace}));
  // No sequences and no UTF-8 in a stream: an ESC is the Esc key at once.
  Decoding d(S::Stream);
  d.feed("\x1b[A\xc3", 0);
  EXPECT_FALSE(d.decoder.deadline().has_value());
  EXPECT_EQ(d.keys(), (std::vector<Key>{
                          kEsc, {0xDB, 0x1A, '[', 0}, {'A', 0x1E, 'A', kShift}, foreign(0xC3)}));
}

// The keys the terminal database lists for the terminals people use; what
// reads the database stands beside its header, at the end.
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
std::vector<Key> decodeCut(const std::string& bytes, std::size_t at) {
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
          const std::vector<Key> keys = decodeCut(bytes, at);
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
