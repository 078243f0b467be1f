// Interrupting, ending and suspending the program must never leave the terminal unusable.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>

#include "support/game_screen.hpp"
#include "support/keys.hpp"
#include "support/pty_session.hpp"
#include "support/wait_status.hpp"

namespace e2e {
namespace {

// The last byte of each of xterm's Alt settings sent: s (the terminal's
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

void expectTerminalAsBefore(const PtySession& session) {
  EXPECT_TRUE(session.settingsAsBefore());
  EXPECT_TRUE(session.screen().cursorVisible());
  EXPECT_FALSE(session.screen().altScreen());
  EXPECT_EQ(session.screen().upKeySends(), "\x1b[A") << "cursor keys left in transmit mode";
  EXPECT_EQ(session.screen().keypadFiveSends(), "5") << "keypad left in application mode";
  EXPECT_TRUE(altSettings(session.transcript()).ends_with('r')) << "xterm's Alt not put back";
}

enum class Moment { kPrompt, kKeyPause };

struct Interruption {
  const char* name;
  int sig;
  const char* typed;  // the key that raises it, or nothing when it is sent with kill()
  Moment moment;
};

void PrintTo(const Interruption& how, std::ostream* out) { *out << how.name; }

class Ending : public testing::TestWithParam<Interruption> {};

TEST_P(Ending, DiesByTheSignalWithTheTerminalRestored) {
  const Interruption& how = GetParam();
  PtySession session;
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
  if (how.moment == Moment::kPrompt) {
    session.send("n");
    ASSERT_TRUE(game::waitForDirectionPrompt(session, "n")) << session.dump();
  } else {
    session.send("s\r");
    ASSERT_TRUE(session.waitForText(game::kHeadNorth)) << session.dump();
  }
  std::string screenBefore = session.screen().text();

  if (how.typed != nullptr) {
    session.send(how.typed);
  } else {
    session.signal(how.sig);
  }
  auto status = session.waitExit();
  EXPECT_TRUE(killedBy(status, how.sig)) << describeStatus(status);
  expectTerminalAsBefore(session);
  EXPECT_EQ(session.screen().text(), screenBefore) << "the last screen is not left in place";
}

INSTANTIATE_TEST_SUITE_P(
    AtPromptAndKeyPause, Ending,
    testing::Values(Interruption{"CtrlCAtPrompt", SIGINT, keys::kCtrlC.data(), Moment::kPrompt},
                    Interruption{"CtrlCAtKeyPause", SIGINT, keys::kCtrlC.data(), Moment::kKeyPause},
                    Interruption{"CtrlBackslashAtPrompt", SIGQUIT, keys::kCtrlBackslash.data(),
                                 Moment::kPrompt},
                    Interruption{"SigtermAtPrompt", SIGTERM, nullptr, Moment::kPrompt},
                    Interruption{"SigtermAtKeyPause", SIGTERM, nullptr, Moment::kKeyPause},
                    Interruption{"SighupAtPrompt", SIGHUP, nullptr, Moment::kPrompt},
                    Interruption{"SighupAtKeyPause", SIGHUP, nullptr, Moment::kKeyPause},
                    // A crash must not leave the terminal raw either.
                    Interruption{"AbortAtPrompt", SIGABRT, nullptr, Moment::kPrompt},
                    Interruption{"SegfaultAtKeyPause", SIGSEGV, nullptr, Moment::kKeyPause}),
    [](const testing::TestParamInfo<Interruption>& info) { return info.param.name; });

TEST(Suspend, CtrlZStopsWithTheTerminalRestoredAndResumesWhereItWas) {
  PtySession session;
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
  session.send("s");
  ASSERT_TRUE(game::waitForDirectionPrompt(session, "s")) << session.dump();
  std::string screenBefore = session.screen().text();
  CursorPos cursorBefore = session.screen().cursor();

  session.send(keys::kCtrlZ);
  auto stopped = session.waitStopped();
  ASSERT_TRUE(stopped && WIFSTOPPED(*stopped)) << describeStatus(stopped);
  session.settle(Millis{100});
  expectTerminalAsBefore(session);

  // The shell reports the stopped job and the player types "fg".
  session.writeToTerminal("\r\n[1]+  Stopped                 maze\r\n$ fg\r\nmaze\r\n");
  session.signal(SIGCONT);
  ASSERT_TRUE(session.waitContinued());
  ASSERT_TRUE(session.waitUntil([&] {
    return session.screen().text() == screenBefore && session.screen().cursor() == cursorBefore;
  })) << "not redrawn as it was\n"
      << session.dump();
  EXPECT_FALSE(session.settingsNow().canonical());
  EXPECT_FALSE(session.settingsNow().echoes());
  EXPECT_EQ(session.screen().upKeySends(), "\x1bOA") << "keypad transmit not set again";

  // The half-typed answer survived the stop.
  session.send("\r");
  ASSERT_TRUE(session.waitForText(game::kHeadNorth)) << session.dump();
  session.send(" ");
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
  session.send("q\r");
  auto status = session.waitExit();
  EXPECT_TRUE(exitedWith(status, 0)) << describeStatus(status);
  expectTerminalAsBefore(session);
}

// Stopped and continued by someone else: the keyboard's modes are set
// again, and the terminal's own Alt setting, saved at the start, stays saved.
TEST(Suspend, AContinueWithoutAStopSavesNothingOverTheTerminalsOwnAlt) {
  PtySession session;
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
  session.signal(SIGSTOP);
  ASSERT_TRUE(session.waitStopped());
  session.signal(SIGCONT);
  ASSERT_TRUE(session.waitContinued());
  // Taken again before a key is typed, which could otherwise end it first.
  ASSERT_TRUE(session.waitUntil([&] { return altSettings(session.transcript()) == "shh"; }));
  session.send("q\r");
  EXPECT_TRUE(exitedWith(session.waitExit(), 0));
  EXPECT_EQ(altSettings(session.transcript()), "shhr");
  expectTerminalAsBefore(session);
}

}  // namespace
}  // namespace e2e
