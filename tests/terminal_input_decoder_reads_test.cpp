// The decoder fed read by read, at the times the bytes arrive: keys split
// by a remote link, the strings and mouse reports a terminal sends that are
// no keys, and typing that only looks like them.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/terminal/input_decoder.hpp"

namespace maze {
namespace {

struct Read {
  std::string bytes;
  int atMs;
};

struct Case {
  const char* name;
  std::vector<Read> reads;
  const char* keys;  // "A-" for Alt
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
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

class DecoderReads : public testing::TestWithParam<Case> {};

TEST_P(DecoderReads, SettleToTheKeysTyped) {
  InputDecoder decoder(InputDecoder::Source::Terminal);
  std::deque<InputRecord> out;
  for (const Read& read : GetParam().reads) {
    const std::int64_t at = read.atMs * 1'000'000LL;
    decoder.expire(at, out);
    decoder.feed(reinterpret_cast<const std::uint8_t*>(read.bytes.data()), read.bytes.size(), at,
                 out);
  }
  decoder.expire(INT64_MAX, out);
  EXPECT_FALSE(decoder.deadline().has_value());
  std::string keys;
  for (const InputRecord& r : out) {
    if (!r.key.keyDown) continue;
    if (!keys.empty()) keys += ' ';
    if (r.key.controlKeyState & kLeftAltPressed) keys += "A-";
    const std::uint8_t ch = r.key.ch;
    keys += r.key.virtualKeyCode == vk::kUp ? "Up"
            : ch == 0x1B                    ? "Esc"
            : ch == '\r'                    ? "Enter"
                                            : std::string(1, static_cast<char>(ch));
  }
  EXPECT_EQ(keys, GetParam().keys);
}

INSTANTIATE_TEST_SUITE_P(Reads, DecoderReads, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace maze
