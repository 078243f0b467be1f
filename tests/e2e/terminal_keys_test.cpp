// Keys as a remote terminal delivers them, and the keyboard's modes the
// program sets while it runs and puts back at every stop and end.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <functional>
#include <thread>

#include "support/game_screen.hpp"
#include "support/keys.hpp"
#include "support/pty_session.hpp"
#include "support/wait_status.hpp"

namespace e2e {
namespace {

const int kPromptWidth = static_cast<int>(game::kDirectionPrompt.size());

bool answerShows(PtySession& s, std::string_view typed, int cursorAt) {
  const std::string row = game::shown(std::string(game::kDirectionPrompt) + std::string(typed));
  return s.waitUntil([&] {
    return s.screen().row(0) == row && s.screen().cursor() == CursorPos{0, kPromptWidth + cursorAt};
  });
}

struct Split {
  const char* name;
  std::string_view first;
  std::string_view rest;
};

void PrintTo(const Split& split, std::ostream* out) { *out << split.name; }

class SplitKey : public testing::TestWithParam<Split> {};

// A link with 100 ms of jitter may split a key between two packets.
TEST_P(SplitKey, NinetyMillisecondsApartIsStillOneKeyAndEscAloneStillActs) {
  PtySession session;
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
  session.send("nx");
  ASSERT_TRUE(answerShows(session, "nx", 2)) << session.dump();
  session.send(GetParam().first);
  std::this_thread::sleep_for(Millis{90});
  session.send(GetParam().rest);
  ASSERT_TRUE(answerShows(session, "nx", 1)) << "not Left\n" << session.dump();
  session.send(keys::kDelete);
  ASSERT_TRUE(answerShows(session, "n", 1)) << session.dump();
  session.send(keys::kEsc);
  ASSERT_TRUE(answerShows(session, "", 0)) << "Esc alone did not clear\n" << session.dump();
  session.send("n\r");
  ASSERT_TRUE(session.waitForText(game::kEntranceLines[0])) << session.dump();
  session.signal(SIGTERM);
  session.waitExit();
}

INSTANTIATE_TEST_SUITE_P(Splits, SplitKey,
                         testing::Values(Split{"AfterEsc", "\x1b", "[D"},
                                         Split{"AfterCsi", "\x1b[", "D"},
                                         Split{"ApplicationModeAfterEsc", "\x1b", "OD"}),
                         [](const testing::TestParamInfo<Split>& info) { return info.param.name; });

// The last byte of each of xterm's Alt settings the program sent: s (its
// own saved), h (ESC before Alt's keys), r (its own put back).
std::string altSettings(const std::string& transcript) {
  const std::string_view mode = "\x1b[?1036;1039";
  std::string finals;
  for (std::size_t at = transcript.find(mode); at != std::string::npos;
       at = transcript.find(mode, at + 1)) {
    if (at + mode.size() < transcript.size()) finals += transcript[at + mode.size()];
  }
  return finals;
}

struct Run {
  const char* name;
  std::function<void(PtySession&)> play;
  std::string altSettings;
};

void PrintTo(const Run& run, std::ostream* out) { *out << run.name; }

void quit(PtySession& s) {
  s.send("q\r");
  EXPECT_TRUE(exitedWith(s.waitExit(), 0));
}

void stopAndGoOn(PtySession& s) {
  s.send(keys::kCtrlZ);
  const auto stopped = s.waitStopped();
  ASSERT_TRUE(stopped && WIFSTOPPED(*stopped)) << describeStatus(stopped);
  s.settle(Millis{100});
  EXPECT_EQ(s.screen().upKeySends(), "\x1b[A") << "keypad transmit kept while stopped";
  s.signal(SIGCONT);
  ASSERT_TRUE(s.waitContinued());
  ASSERT_TRUE(s.waitUntil([&] { return s.screen().upKeySends() == "\x1bOA"; }))
      << "keypad transmit not set again\n"
      << s.dump();
}

const Run kRuns[] = {
    {"Quit", quit, "shr"},
    {"StopThenQuit",
     [](PtySession& s) {
       stopAndGoOn(s);
       quit(s);
     },
     "shrshr"},
    // Stopped by someone else: continued, it sets the modes again but
    // saves nothing over what the terminal had.
    {"StoppedByAnotherThenQuit",
     [](PtySession& s) {
       s.signal(SIGSTOP);
       ASSERT_TRUE(s.waitStopped());
       s.signal(SIGCONT);
       ASSERT_TRUE(s.waitContinued());
       quit(s);
     },
     "shhr"},
    {"Terminated",
     [](PtySession& s) {
       s.signal(SIGTERM);
       EXPECT_TRUE(killedBy(s.waitExit(), SIGTERM));
     },
     "shr"},
    {"Crashed",
     [](PtySession& s) {
       s.signal(SIGSEGV);
       EXPECT_TRUE(killedBy(s.waitExit(), SIGSEGV));
     },
     "shr"},
};

class KeyboardModes : public testing::TestWithParam<Run> {};

TEST_P(KeyboardModes, OnWhileThePlayerPlaysAndPutBackAtEveryStopAndEnd) {
  PtySession session;
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
  // xterm-256color's keypad transmit: the cursor keys send SS3.
  EXPECT_EQ(session.screen().upKeySends(), "\x1bOA");
  GetParam().play(session);
  session.settle(Millis{100});
  EXPECT_EQ(session.screen().upKeySends(), "\x1b[A");
  EXPECT_EQ(session.screen().keypadFiveSends(), "5");
  EXPECT_EQ(altSettings(session.transcript()), GetParam().altSettings);
}

INSTANTIATE_TEST_SUITE_P(Runs, KeyboardModes, testing::ValuesIn(kRuns),
                         [](const testing::TestParamInfo<Run>& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
