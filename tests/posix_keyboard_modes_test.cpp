// What the terminal database tells the host, and the keyboard modes it
// sets from that and puts back.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/posix/keyboard_modes.hpp"
#include "platform/posix/terminal_database.hpp"

namespace maze {
namespace {

struct Entry {
  const char* term;
  bool drawable;
  bool keypad;
  bool xtermMeta;
};

void PrintTo(const Entry& e, std::ostream* out) { *out << (e.term ? e.term : "(unset)"); }

class TerminalDatabase : public testing::TestWithParam<Entry> {};

TEST_P(TerminalDatabase, SaysWhetherTheRendererCanDrawAndWhichModesToSet) {
  const Entry& e = GetParam();
  const TerminalEntry entry = lookUpTerminal(e.term);
  EXPECT_EQ(entry.drawable, e.drawable);
  EXPECT_EQ(!entry.keypadOn.empty() && !entry.keypadOff.empty(), e.keypad);
  EXPECT_EQ(entry.xtermMeta, e.xtermMeta);
  // Padding is the terminal's timing, never bytes to send.
  EXPECT_EQ(entry.keypadOn.find("$<"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Terminals, TerminalDatabase,
    testing::Values(Entry{"xterm-256color", true, true, true}, Entry{"st", true, true, false},
                    Entry{"linux", true, false, false},
                    // Addressing with padding ("$<5>") is still ANSI.
                    Entry{"vt100", true, true, false}, Entry{"vt52", false, true, false},
                    Entry{"dumb", false, false, false},
                    Entry{"no-such-terminal", false, false, false}, Entry{"", false, false, false},
                    Entry{nullptr, false, false, false}),
    [](const testing::TestParamInfo<Entry>& info) {
      std::string name = info.param.term ? info.param.term : "Unset";
      if (name.empty()) name = "Empty";
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

TEST(KeyboardModes, TheTerminalsOwnAltIsSavedOnceAndPutBackAtEachLeave) {
  TerminalEntry xterm;
  xterm.keypadOn = "<on>";
  xterm.keypadOff = "<off>";
  xterm.xtermMeta = true;
  KeyboardModes modes(xterm);
  const std::string first = modes.enter();
  EXPECT_NE(first.find("\x1b[?1036;1039s"), std::string::npos);
  EXPECT_LT(first.find("\x1b[?1036;1039s"), first.find("\x1b[?1036;1039h"));
  EXPECT_NE(first.find("<on>"), std::string::npos);
  // Continued without a stop: set again, but what was saved stays.
  EXPECT_EQ(modes.enter().find("\x1b[?1036;1039s"), std::string::npos);
  const std::string leave(modes.leave());
  EXPECT_NE(leave.find("<off>"), std::string::npos);
  EXPECT_NE(leave.find("\x1b[?1036;1039r"), std::string::npos);
  EXPECT_EQ(modes.leave(), "");  // nothing is on any more
  EXPECT_NE(modes.enter().find("\x1b[?1036;1039s"), std::string::npos);

  // A mode that could not be turned off is never turned on.
  TerminalEntry oneWay;
  oneWay.keypadOn = "<on>";
  KeyboardModes none(oneWay);
  EXPECT_EQ(none.enter(), "");
  EXPECT_EQ(none.leaveBytes(), "");
  EXPECT_EQ(KeyboardModes().enter(), "");
}

}  // namespace
}  // namespace maze
