// Whatever the system does to the program (closed descriptors, blocked or vanished output,
// any signal, a background start, a dumb terminal, resizing), it ends or goes on soundly and
// leaves the terminal's settings as they were.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <thread>

#include "support/game_screen.hpp"
#include "support/keys.hpp"
#include "support/pty_session.hpp"
#include "support/wait_status.hpp"

namespace e2e {
namespace {

using Session = PtySession;

struct Case {
  const char* name;
  PtyOptions options;
  // Everything from the start to what ends the program.
  std::function<void(Session&)> provoke;
  int endSignal = 0;  // 0: exit status 0
  bool cursorShown = true;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

const PtyOptions kPlain;

// The program run by a shell command, "$0" standing for it, "$1" for a scratch file.
PtyOptions shell(const char* shell, const char* command) {
  return {.argv = {shell, "-c", command, MAZE_BINARY, testing::TempDir() + "maze-robustness"}};
}

bool blockedInWrite(pid_t pid) {
  std::ifstream syscall("/proc/" + std::to_string(pid) + "/syscall");
  long number = -1;
  return syscall >> number && number == SYS_write;
}

void atPrompt(Session& s) { ASSERT_TRUE(game::waitForDirectionPrompt(s)) << s.dump(); }

// The terminal stops reading while the program writes screen after screen.
std::function<void(Session&)> blockThenSignal(int sig) {
  return [sig](Session& s) {
    atPrompt(s);
    s.stopReading();
    for (int i = 0; i < 100'000 && !blockedInWrite(s.pid()); ++i) {
      s.send("x\r");
      if (i % 64 == 0) s.waitUntil([&] { return blockedInWrite(s.pid()); }, Millis{5});
    }
    ASSERT_TRUE(s.waitUntil([&] { return blockedInWrite(s.pid()); }));
    s.signal(sig);
  };
}

std::function<void(Session&)> signalAtPrompt(int sig) {
  return [sig](Session& s) {
    atPrompt(s);
    s.signal(sig);
  };
}

// Nothing written, no setting changed, until the shell's "fg".
void startedInBackground(Session& s) {
  s.settle(Millis{300});
  EXPECT_EQ(s.transcript(), "");
  EXPECT_TRUE(s.settingsAsBefore());
  s.bringToForeground();
  atPrompt(s);
  s.send("q\r");
}

// The orphans of the programs run here become this process's children, so their end can be
// awaited.
const bool kAdoptsOrphans = prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;

// A job whose shell has left at once, so no shell can bring it to the foreground, while the
// session goes on until the job ends; its number shows on the terminal.
constexpr char kOrphan[] =
    "set -m; exec 3<&0; rm -f \"$1-orphan\"; ( (sleep 0.2; exec \"$0\" <&3 3<&-) &"
    " echo $! | tee \"$1-orphan\" ) & until [ -s \"$1-orphan\" ]; do sleep 0.05; done;"
    " while kill -0 $(cat \"$1-orphan\") 2>/dev/null; do sleep 0.05; done";

// It ends as by a hang-up, and becomes this process's child once its shell has left.
void orphanedInTheBackground(Session& s) {
  pid_t pid = 0;
  ASSERT_TRUE(kAdoptsOrphans &&
              s.waitUntil([&] { return (pid = std::atoi(s.screen().row(0).c_str())) > 0; }));
  int status = 0;
  const bool ended = s.waitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; });
  EXPECT_TRUE(ended && killedBy(status, SIGHUP)) << (ended ? describeStatus(status) : "running");
  if (!ended && kill(pid, SIGKILL) == 0) waitpid(pid, &status, 0);
}

// The shell's lines go into the terminal's scrollback, and no blank row with them, whenever
// the terminal answers where its cursor is.
PtyOptions answering(Millis delay) {
  return {.before = "one\r\ntwo\r\n$ maze\r\n", .replyDelay = delay};
}
void shellLinesScrolledBack(Session& s) {
  atPrompt(s);
  EXPECT_EQ(s.screen().scrollback(), (std::vector<std::string>{"one", "two", "$ maze"}));
  s.send("q\r");
}

void getsTheByteStream(Session& s) {
  ASSERT_TRUE(s.waitForText(game::shown(game::kDirectionPrompt))) << s.dump();
  s.send("q\r");
  s.waitExit();
  EXPECT_EQ(s.transcript().find('\x1b'), std::string::npos) << s.transcript();
}

void waitForRow(Session& s, int row, const std::string& text) {
  ASSERT_TRUE(s.waitUntil([&] { return s.screen().row(row) == text; })) << s.dump();
}

// A terminal that reports a size too small to draw on (or none) still asks
// and takes the answers.
PtyOptions reporting(int rows, int cols) { return {.reportedRows = rows, .reportedCols = cols}; }

void asksAndQuits(Session& s) {
  s.settle();
  s.send("s\r");
  s.settle();
  s.send(" q\r");
}

void showsThePromptAndTheEcho(Session& s) {
  ASSERT_TRUE(s.waitForText("Choose A Direction (N, S, E, W) (Or Press Q To Quit)")) << s.dump();
  s.send("x");
  ASSERT_TRUE(s.waitForText("(Or Press Q To Quit) x")) << s.dump();
  s.settle();
  EXPECT_TRUE(s.screen().contains("(Or Press Q To Quit) x")) << s.dump();
  s.send("\rq\r");
}

const Case kCases[] = {
    {"OneColumnTerminal", reporting(25, 1), asksAndQuits},
    {"OneRowTerminal", reporting(1, 80), asksAndQuits},
    {"OneCellTerminal", reporting(1, 1), asksAndQuits},
    {"NoRowsTerminal", reporting(0, 80), asksAndQuits},
    {"NoSizeTerminal", reporting(0, 0), asksAndQuits},
    // With one row or column there is no window to draw: the bytes go to the
    // terminal as they are, and nothing may wipe them out again.
    {"OneRowShowsThePromptAndTheEcho", reporting(1, 80), showsThePromptAndTheEcho},
    {"OneColumnShowsThePromptAndTheEcho", reporting(25, 1), showsThePromptAndTheEcho},
    {"GoesOnAfterTheWindowChangesSize", kPlain,
     [](Session& s) {
       atPrompt(s);
       s.resize(12, 40);
       s.settle();
       s.send("s\r");
       ASSERT_TRUE(s.waitForText(game::kHeadNorth)) << s.dump();
       s.resize(30, 100);
       s.settle();
       s.send(" ");
       ASSERT_TRUE(s.waitForText("Choose A Direction")) << s.dump();
       s.send("q\r");
     }},
    // A terminal made shorter than its first height keeps every line whole:
    // the buffer keeps its rows and the window follows the cursor.
    {"AShorterTerminalKeepsTheLinesApart", kPlain,
     [](Session& s) {
       atPrompt(s);
       s.resize(3, 80);
       s.settle();
       s.send("n\r");
       ASSERT_TRUE(s.waitForText(game::kEntranceLines[2])) << s.dump();
       s.settle();
       // The cursor's row, below the last line, is the window's bottom row.
       EXPECT_EQ(s.screen().row(0), game::kEntranceLines[1]) << s.dump();
       EXPECT_EQ(s.screen().row(1), game::kEntranceLines[2]) << s.dump();
       EXPECT_EQ(s.screen().row(2), "") << s.dump();
       s.send(" ");
       atPrompt(s);
       s.send("q\r");
     }},
    {"ClosedInputIsAnEndedOne", shell("/bin/sh", "exec \"$0\" <&-"), atPrompt},
    {"ClosedOutputIsADiscardedOne", shell("/bin/sh", "exec \"$0\" >&-"),
     [](Session& s) {
       s.settle();
       s.send("q\r");
     }},
    {"TermWhileOutputIsBlocked", kPlain, blockThenSignal(SIGTERM), SIGTERM, false},
    {"IntWhileOutputIsBlocked", kPlain, blockThenSignal(SIGINT), SIGINT, false},
    {"HupWhileOutputIsBlocked", kPlain, blockThenSignal(SIGHUP), SIGHUP, false},
    {"QuitWhileOutputIsBlocked", kPlain, blockThenSignal(SIGQUIT), SIGQUIT, false},
    // The reader goes while the program waits at its prompt.
    {"ReaderGone", shell("/bin/bash", "exec \"$0\" > >(head -c 10 >/dev/null)"), [](Session&) {},
     SIGPIPE},
    // A socket's peer goes while the program waits at its prompt: ended as a reader gone.
    {"SocketPeerGone", {.socketOutput = true}, &Session::closeSocketPeer, SIGPIPE},
    // Stopped with the terminal's settings as they were; continued, it goes on.
    {"StopWhileOutputIsBlocked", kPlain,
     [](Session& s) {
       blockThenSignal(SIGTSTP)(s);
       const auto stopped = s.waitStopped();
       ASSERT_TRUE(stopped && WIFSTOPPED(*stopped)) << describeStatus(stopped);
       EXPECT_TRUE(s.settingsAsBefore());
       s.resumeReading();
       s.signal(SIGCONT);
       s.settle();
       s.signal(SIGTERM);
     },
     SIGTERM},
    // A SIGCONT while the terminal is handed back, before the stop: none.
    {"ContinuedAsItStopsWhileOutputIsBlocked", kPlain,
     [](Session& s) {
       blockThenSignal(SIGTSTP)(s);
       std::this_thread::sleep_for(Millis{10});
       s.signal(SIGCONT);
       s.resumeReading();
       s.settle();
       s.signal(SIGTERM);
     },
     SIGTERM},
    // A supervisor's SIGCONT right behind its SIGTSTP: never left stopped.
    {"StopAndContinueBackToBack", kPlain,
     [](Session& s) {
       atPrompt(s);
       for (int i = 0; i < 50; ++i) {
         s.signal(SIGTSTP);
         s.signal(SIGCONT);
       }
       s.send("n");
       ASSERT_TRUE(game::waitForDirectionPrompt(s, "n")) << s.dump();
       s.signal(SIGTERM);
     },
     SIGTERM},
    // Sent by kill, SIGPIPE ends the program as it ends any other.
    {"PipeByKill", kPlain, signalAtPrompt(SIGPIPE), SIGPIPE},
    {"PipeByKillWhileOutputIsBlocked", kPlain, blockThenSignal(SIGPIPE), SIGPIPE, false},
    {"Usr1", kPlain, signalAtPrompt(SIGUSR1), SIGUSR1},
    {"Alrm", kPlain, signalAtPrompt(SIGALRM), SIGALRM},
    {"RealTime", kPlain, signalAtPrompt(SIGRTMIN), SIGRTMIN},
    {"FileSizeLimit", shell("/bin/sh", "ulimit -f 0; exec \"$0\" > \"$1\""), [](Session&) {},
     SIGXFSZ},
    // Also one it watches, as under nohup.
    {"IgnoredSignalStaysIgnored",
     {.ignored = {SIGUSR2, SIGHUP}},
     [](Session& s) {
       atPrompt(s);
       s.signal(SIGUSR2);
       s.signal(SIGHUP);
       s.settle();
       s.send("q\r");
     }},
    {"BackgroundStartWithTtouAndTtinIgnored",
     {.ignored = {SIGTTOU, SIGTTIN}, .background = true},
     startedInBackground},
    // As "maze &" from a shell that ignores SIGTTOU.
    {"BackgroundStartStopsForInput",
     {.ignored = {SIGTTOU}, .background = true},
     [](Session& s) {
       const auto stopped = s.waitStopped();
       EXPECT_TRUE(stopped && WIFSTOPPED(*stopped) && WSTOPSIG(*stopped) == SIGTTIN)
           << describeStatus(stopped);
       startedInBackground(s);
     }},
    {"OrphanedInTheBackground", shell("/bin/sh", kOrphan), orphanedInTheBackground},
    {"ReplyAfter300Ms", answering(Millis{300}), shellLinesScrolledBack},
    {"NoReply", answering(Millis{-1}), shellLinesScrolledBack},
    // A signal ends it while the answer is awaited, as at any other time.
    {"TermWhileTheReplyIsAwaited", answering(Millis{-1}),
     [](Session& s) {
       ASSERT_TRUE(
           s.waitUntil([&] { return s.transcript().find("\x1b[6n") != std::string::npos; }));
       s.signal(SIGTERM);
     },
     SIGTERM},
    // LC_ALL names the set before LANG does: the C locale's lacks a typed é.
    {"LcAllBeforeLang",
     {.env = {"LC_ALL=C"}},
     [](Session& s) {
       atPrompt(s);
       s.send("\xc3\xa9");
       ASSERT_TRUE(game::waitForDirectionPrompt(s, "??")) << s.dump();
       s.send("\rq\r");
     }},
    {"DumbTerminalGetsTheByteStream", {.env = {"TERM=dumb"}}, getsTheByteStream},
    // Its cursor addressing waits for the terminal (padding): drawn, its keypad transmitting.
    {"Vt100IsDrawn",
     {.env = {"TERM=vt100"}},
     [](Session& s) {
       atPrompt(s);
       EXPECT_EQ(s.screen().keySends(VTERM_KEY_UP), "\x1bOA");
       s.send("q\r");
     }},
    // Its own addressing, not the ANSI one: the renderer's would be garbage.
    {"Vt52GetsTheByteStream", {.env = {"TERM=vt52"}}, getsTheByteStream},
    {"UnknownTerminalGetsTheByteStream", {.env = {"TERM=no-such-terminal"}}, getsTheByteStream},
    {"NoTerminalNamedGetsTheByteStream", {.env = {"TERM="}}, getsTheByteStream},
    // Narrowing then widening keeps the line and its layout.
    {"NarrowThenWiden", kPlain,
     [](Session& s) {
       atPrompt(s);
       s.send("abc");
       ASSERT_TRUE(game::waitForDirectionPrompt(s, "abc")) << s.dump();
       s.resize(25, 40);
       s.settle();
       s.resize(25, 80);
       s.settle();
       s.send(std::string(keys::kHome) + "X");
       waitForRow(s, 0, std::string(game::kDirectionPrompt) + "Xabc");
       s.send(keys::kEsc);
       atPrompt(s);
       s.signal(SIGTERM);
     },
     SIGTERM},
    // Wider, then narrower than the cursor's column, then wide enough again: the view
    // starts at the left edge once more.
    {"GrowShrinkGrow", kPlain,
     [](Session& s) {
       atPrompt(s);
       for (const int cols : {100, 40, 80}) {
         s.resize(25, cols);
         s.settle();
       }
       s.send("n");
       ASSERT_TRUE(game::waitForDirectionPrompt(s, "n")) << s.dump();
       s.signal(SIGTERM);
     },
     SIGTERM},
    // A moment at one column is only a tiny window; it is drawn again when it grows.
    {"OneColumnForAMoment", kPlain,
     [](Session& s) {
       atPrompt(s);
       s.resize(25, 1);
       s.settle();
       s.resize(25, 80);
       s.send("n");
       ASSERT_TRUE(game::waitForDirectionPrompt(s, "n")) << s.dump();
       s.signal(SIGTERM);
     },
     SIGTERM},
    // Ended there, with the cursor out of that window: shown again.
    {"TermAtOneColumn", kPlain,
     [](Session& s) {
       atPrompt(s);
       s.resize(25, 1);
       s.settle();
       s.signal(SIGTERM);
     },
     SIGTERM},
    // Taller, then a new prompt: the line fills the rows in order.
    {"TallerThenANewPrompt",
     {.rows = 5, .cols = 20},
     [](Session& s) {
       ASSERT_TRUE(s.waitForText("Quit)")) << s.dump();
       s.resize(8, 20);
       s.settle();
       s.send("\r");
       s.settle();
       const std::string typed = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
       s.send(typed);
       ASSERT_TRUE(s.waitUntil([&] {
         std::string text;
         for (int r = 0; r < s.screen().rows(); ++r) text += s.screen().row(r);
         return text.find(typed) != std::string::npos;
       })) << s.dump();
       s.signal(SIGTERM);
     },
     SIGTERM},
    // Grown at the leave prompt: the next output neither shrinks nor slides the window.
    {"GrownAtTheLeavePrompt",
     {.rows = 4, .cols = 13},
     [](Session& s) {
       ASSERT_TRUE(s.waitForText("Quit)")) << s.dump();
       s.send("n\r");
       s.settle();
       s.send(" s\r");
       ASSERT_TRUE(s.waitForText("(Y, N)?")) << s.dump();
       s.resize(10, 30);
       s.settle();
       s.send("\r");
       s.settle();
       // The prompt wraps at the terminal's 30 columns, from the window's left edge.
       const int row = s.screen().cursor().row;
       EXPECT_EQ(s.screen().row(row), " the maze (Y, N)?") << s.dump();
       EXPECT_EQ(s.screen().row(row - 1), "Are you sure you want to leave") << s.dump();
       s.signal(SIGTERM);
     },
     SIGTERM},
};

class Robustness : public testing::TestWithParam<Case> {};

TEST_P(Robustness, EndsSoundlyWithTheTerminalAsItWas) {
  const Case& c = GetParam();
  Session session(c.options);
  c.provoke(session);
  // Generous: the program ends within 100 ms of a signal, also while its output is blocked.
  const auto status = session.waitExit(Millis{2000});
  EXPECT_TRUE(c.endSignal ? killedBy(status, c.endSignal) : exitedWith(status, 0))
      << describeStatus(status) << "\n"
      << session.dump();
  EXPECT_TRUE(session.settingsAsBefore());
  // An output that is not read takes no last words: the cursor and the
  // keyboard's modes go back only where it still does.
  if (c.cursorShown) {
    EXPECT_TRUE(session.screen().cursorVisible());
    EXPECT_EQ(session.screen().keySends(VTERM_KEY_UP), "\x1b[A");
    EXPECT_EQ(session.screen().keySends(VTERM_KEY_KP_5), "5");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Robustness, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
