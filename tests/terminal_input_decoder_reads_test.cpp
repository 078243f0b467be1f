// The decoder fed read by read, at the times the bytes arrive: keys split
// by a remote link, the strings and mouse reports a terminal sends that are
// no keys, and typing that only looks like them.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/keyboard_layout.hpp"
#include "platform/terminal/input_decoder.hpp"

namespace maze {
namespace {

constexpr std::int64_t kMs = 1'000'000;

struct Key {
  std::uint16_t vk;
  std::uint8_t ch;
  std::uint32_t state;
  friend bool operator==(const Key&, const Key&) = default;
  friend void PrintTo(const Key& k, std::ostream* os) {
    *os << "{vk " << std::hex << k.vk << " ch " << int{k.ch} << " state " << k.state << "}";
  }
};

Key typed(char c, std::uint32_t state = 0) {
  const KeyEventRecord k = usKeyEventForChar(static_cast<std::uint8_t>(c));
  return {k.virtualKeyCode, k.ch, k.controlKeyState | state};
}
Key alt(char c) { return typed(c, kLeftAltPressed); }
const Key kEsc{vk::kEscape, 27, 0};
const Key kUp{vk::kUp, 0, kEnhancedKey};

struct Read {
  std::string bytes;
  int atMs;
};

struct Case {
  const char* name;
  std::vector<Read> reads;
  std::vector<Key> keys;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const std::string kLong(1000, 'A');

const Case kCases[] = {
    // A key split by a remote link's jitter stays one key.
    {"EscThenTheRest90msLater", {{"\x1b", 0}, {"[A", 90}}, {kUp}},
    {"CsiThenTheRest400msLater", {{"\x1b[", 0}, {"A", 400}}, {kUp}},
    {"CharacterSplit400ms", {{"\xc3", 0}, {"\xa9", 400}}, {{0, 0x82, 0}}},
    // Esc alone still acts; what comes after its time is typing.
    {"EscAlone", {{"\x1b", 0}}, {kEsc}},
    {"EscThenTheRest200msLater", {{"\x1b", 0}, {"[A", 200}}, {kEsc, typed('['), typed('A')}},
    {"AltBracketAlone", {{"\x1b[", 0}}, {alt('[')}},
    // Strings a terminal sends are swallowed whole, however they arrive.
    {"TitleEndedByBel", {{"\x1b]0;title\az", 0}}, {typed('z')}},
    {"ClipboardEndedBySt", {{"\x1b]52;c;aGVsbG8=\x1b\\z", 0}}, {typed('z')}},
    {"DeviceControlString", {{"\x1bP1$r0m\x1b\\z", 0}}, {typed('z')}},
    {"ApplicationProgramCommand", {{"\x1b_Gi=1;OK\x1b\\z", 0}}, {typed('z')}},
    {"PrivacyMessage", {{"\x1b^note\x1b\\z", 0}}, {typed('z')}},
    {"StartOfString", {{"\x1bXsome\x1b\\z", 0}}, {typed('z')}},
    {"StringInThreeReads", {{"\x1b", 0}, {"]0;ti", 90}, {"tle\a", 180}, {"z", 190}}, {typed('z')}},
    {"StSplitInTwo", {{"\x1b]0;t\x1b", 0}, {"\\z", 90}}, {typed('z')}},
    {"StringLongerThanIsKept", {{"\x1b]52;c;" + kLong + "\az", 0}}, {typed('z')}},
    {"LongStringCutShort", {{"\x1b]52;c;" + kLong, 0}, {"z", 2000}}, {typed('z')}},
    // Typing that begins like a string is typing.
    {"AltCloseBracketAlone", {{"\x1b]", 0}}, {alt(']')}},
    {"AltShiftPThenALine", {{"\x1bPn", 0}, {"\r", 50}}, {alt('P'), typed('n'), typed('\r')}},
    {"AltCloseBracketThenAPause", {{"\x1b]ab", 0}}, {alt(']'), typed('a'), typed('b')}},
    {"AltUnderscoreThenAKey", {{"\x1b_a\x1b[A", 0}}, {alt('_'), typed('a'), kUp}},
    {"AltCaretThenEsc", {{"\x1b^\x1b", 0}}, {alt('^'), kEsc}},
    {"AltCloseBracketThenACharacter", {{"\x1b]\xc3\xa9", 0}}, {alt(']'), {0, 0x82, 0}}},
    // X10 mouse reports: CSI M and three bytes of any value.
    {"MouseReport", {{"\x1b[M !!z", 0}}, {typed('z')}},
    {"MouseReportFarRight", {{"\x1b[M\xff\xe0\x80z", 0}}, {typed('z')}},
    {"MouseReportSplit", {{"\x1b[M ", 0}, {"!", 90}, {"!z", 180}}, {typed('z')}},
};

class DecoderReads : public testing::TestWithParam<Case> {};

TEST_P(DecoderReads, SettleToTheKeysTyped) {
  InputDecoder decoder(InputDecoder::Source::Terminal);
  std::deque<InputRecord> out;
  for (const Read& read : GetParam().reads) {
    const std::int64_t at = read.atMs * kMs;
    decoder.expire(at, out);
    decoder.feed(reinterpret_cast<const std::uint8_t*>(read.bytes.data()), read.bytes.size(), at,
                 out);
  }
  decoder.expire(100'000 * kMs, out);
  EXPECT_FALSE(decoder.deadline().has_value());
  std::vector<Key> keys;
  for (const InputRecord& r : out) {
    if (r.key.keyDown) keys.push_back({r.key.virtualKeyCode, r.key.ch, r.key.controlKeyState});
  }
  EXPECT_EQ(keys, GetParam().keys);
}

INSTANTIATE_TEST_SUITE_P(Reads, DecoderReads, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

// The decisions are taken when they are due, not before.
TEST(DecoderReadsDeadline, EscAloneWaitsLessThanWhatSurelyGoesOn) {
  const std::pair<const char*, std::int64_t> cases[] = {
      {"\x1b", InputDecoder::kEscapeTimeoutNs},       {"\x1b]", InputDecoder::kEscapeTimeoutNs},
      {"\x1b[", InputDecoder::kSequenceTimeoutNs},    {"\x1bO", InputDecoder::kSequenceTimeoutNs},
      {"\x1b[1;", InputDecoder::kSequenceTimeoutNs},  {"\x1b]0", InputDecoder::kSequenceTimeoutNs},
      {"\xe2\x82", InputDecoder::kSequenceTimeoutNs}, {"\x1b[M", InputDecoder::kSequenceTimeoutNs},
  };
  for (const auto& [bytes, wait] : cases) {
    InputDecoder decoder(InputDecoder::Source::Terminal);
    std::deque<InputRecord> out;
    const std::string text(bytes);
    decoder.feed(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), 7 * kMs, out);
    EXPECT_EQ(decoder.deadline(), 7 * kMs + wait) << testing::PrintToString(text);
    decoder.expire(7 * kMs + wait - 1, out);
    EXPECT_TRUE(out.empty()) << testing::PrintToString(text);
  }
  EXPECT_GT(InputDecoder::kEscapeTimeoutNs, 100 * kMs);
}

}  // namespace
}  // namespace maze
