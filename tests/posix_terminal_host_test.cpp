// The terminal host with pipes (or a pseudo-terminal) for its standard
// input and output, each case in a child process of its own: it takes over
// fds 0 and 1, its signal handlers and its exit. Its terminal input alone
// takes over nothing and runs here.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>

#include "platform/keyboard_layout.hpp"
#include "platform/posix/signal_watch.hpp"
#include "platform/posix/terminal_host.hpp"
#include "platform/posix/terminal_input.hpp"

namespace maze {
namespace {

struct ChildResult {
  std::string output;
  int status = 0;
};

// Runs `body` in a child whose stdin gives `input` (then ends, unless
// `keepInputOpen`) and whose stdout is collected.
ChildResult runChild(const std::function<void()>& body, const std::string& input,
                     bool keepInputOpen = false) {
  int in[2];
  int out[2];
  EXPECT_EQ(pipe(in), 0);
  EXPECT_EQ(pipe(out), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    // Whatever the test runner was started with, the signals act by default.
    for (int signo : {SIGINT, SIGQUIT, SIGTERM, SIGHUP}) signal(signo, SIG_DFL);
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    close(in[0]);
    close(in[1]);
    close(out[0]);
    close(out[1]);
    body();
    _exit(99);
  }
  close(in[0]);
  close(out[1]);
  EXPECT_EQ(write(in[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  if (!keepInputOpen) close(in[1]);
  ChildResult result;
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) result.output.append(buffer, n);
  close(out[0]);
  waitpid(pid, &result.status, 0);
  if (keepInputOpen) close(in[1]);
  return result;
}

void say(const char* text) {
  [[maybe_unused]] const ssize_t n =
      write(STDOUT_FILENO, text, std::char_traits<char>::length(text));
}

int exitStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// A pseudo-terminal's master end and the terminal it drives; -1 where none.
std::pair<int, int> openTerminal() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return {master, -1};
  return {master, open(ptsname(master), O_RDWR | O_NOCTTY)};
}

TEST(TerminalHost, StreamOutputIsTheBytesUnchanged) {
  const ChildResult r = runChild(
      [] {
        TerminalHost p;
        ScreenBufferInfo info;
        std::uint32_t written = 0;
        if (!p.streaming() || p.screen().getInfo(info)) say("screen?");
        if (p.screen().fillCharacter('x', 10, Coord{0, 0}, written)) say("fill?");
        const std::string bytes("A\r\n\a\0\377B", 7);
        if (!p.writeBytes(bytes.data(), 7, written) || written != 7) say("short?");
        p.beep(1000, 250);
        p.flushScreen();
        p.atExit([] { say("[first]"); });
        p.atExit([] { say("[second]"); });
        p.exitProcess(3);
      },
      "");
  EXPECT_EQ(r.output, std::string("A\r\n\a\0\377B", 7) + "[second][first]");
  EXPECT_EQ(exitStatus(r.status), 3);
}

[[noreturn]] void sayKeysUntilTheInputEnds(TerminalHost& p) {
  for (;;) {
    p.waitForInput(kInfinite);  // ends the process once input has ended
    InputRecord record;
    std::uint32_t count = 0;
    p.peekInput(&record, 1, count);
    if (count != 1 || !p.readInput(&record, 1, count) || count != 1) say("lost?");
    if (record.key.keyDown) {
      const std::string seen =
          std::to_string(record.key.virtualKeyCode) + ":" + std::to_string(record.key.ch) + " ";
      say(seen.c_str());
    }
  }
}

TEST(TerminalHost, PipedBytesAreKeysUntilTheInputEnds) {
  const ChildResult r = runChild(
      [] {
        TerminalHost p;
        std::uint32_t mode = 0;
        if (p.getInputMode(mode)) say("console?");
        sayKeysUntilTheInputEnds(p);
      },
      "n\r\nx\n\x1b");
  EXPECT_EQ(r.output, "78:110 13:13 88:120 13:13 27:27 ");
  EXPECT_EQ(exitStatus(r.status), 0);
}

// A terminal that hangs up in the middle of a key's sequence: what came of
// it is a key (Alt+[), before the end.
TEST(TerminalHost, AKeyBegunWhenATerminalHangsUpIsStillAKey) {
  const ChildResult r = runChild(
      [] {
        const auto [master, terminal] = openTerminal();
        if (terminal < 0 || dup2(terminal, STDIN_FILENO) < 0) _exit(98);
        setenv("TERM", "xterm", 1);
        TerminalHost p;
        if (write(master, "\x1b[", 2) != 2) _exit(98);
        for (int queued = 0; queued < 2; usleep(1000)) ioctl(terminal, FIONREAD, &queued);
        if (p.waitForInput(0)) say("early?");
        close(master);
        sayKeysUntilTheInputEnds(p);
      },
      "");
  EXPECT_EQ(r.output, "219:91 ");
  EXPECT_EQ(exitStatus(r.status), 0);
}

// An answer to the cursor query that comes after its wait is over is still
// no key: rows and columns of 1 would read as F3.
TEST(TerminalInput, ACursorAnswerThatComesLateIsNoKey) {
  const auto [master, terminal] = openTerminal();
  ASSERT_GE(terminal, 0);
  termios raw{};
  ASSERT_EQ(tcgetattr(terminal, &raw), 0);
  cfmakeraw(&raw);
  ASSERT_EQ(tcsetattr(terminal, TCSANOW, &raw), 0);
  TerminalInput input(terminal, true, nullptr);
  input.expectCursorReport(kNsPerMs, 60'000 * kNsPerMs, -1);
  EXPECT_FALSE(input.awaitCursorReport().has_value());
  ASSERT_EQ(write(master, "\x1b[1;1Rz", 7), 7);
  const std::int64_t giveUp = monotonicNs() + 5'000 * kNsPerMs;
  while (input.records().empty() && monotonicNs() < giveUp) input.waitOnce(giveUp, -1, -1);
  ASSERT_FALSE(input.records().empty());
  EXPECT_EQ(input.records().front().key.ch, 'z');
  close(terminal);
  close(master);
}

// What the screen holds when the process ends is what the terminal shows,
// though no flush came after its last change.
TEST(TerminalHost, TheScreenAsItIsAtTheEndIsDrawn) {
  const std::pair<int, int> pty = openTerminal();
  const int master = pty.first;
  const int terminal = pty.second;
  ASSERT_GE(terminal, 0);
  runChild(
      [terminal] {
        if (dup2(terminal, STDOUT_FILENO) < 0) _exit(98);
        setenv("TERM", "xterm", 1);
        TerminalHost p;
        p.flushScreen();
        const CharCell cells[] = {{'b', 7}, {'y', 7}, {'e', 7}};
        SmallRect target{0, 0, 2, 0};
        p.screen().writeCells(cells, Coord{3, 1}, Coord{0, 0}, target);
        p.exitProcess(0);
      },
      "");
  close(terminal);
  std::string shown;
  char buffer[4096];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, n);
  close(master);
  EXPECT_NE(shown.find("bye"), std::string::npos) << ::testing::PrintToString(shown);
}

// As a filter's: the process ends at the write, by SIGPIPE, or with status 1
// where SIGPIPE is ignored.
TEST(TerminalHost, AWriteWhoseReaderHasGoneEndsTheProcess) {
  for (const bool ignored : {false, true}) {
    const ChildResult r = runChild(
        [ignored] {
          int gone[2];
          if (pipe(gone) != 0 || close(gone[0]) != 0 || dup2(gone[1], STDOUT_FILENO) < 0) _exit(98);
          if (ignored) signal(SIGPIPE, SIG_IGN);
          TerminalHost p;
          std::uint32_t written = 0;
          p.writeBytes("x", 1, written);
          _exit(7);
        },
        "");
    EXPECT_TRUE(ignored ? exitStatus(r.status) == 1
                        : WIFSIGNALED(r.status) && WTERMSIG(r.status) == SIGPIPE)
        << r.status;
  }
}

// Of a stop and a continue noted before the host acts on them, only the
// later one stands: a supervisor's SIGCONT right behind its SIGTSTP leaves
// nothing to stop for.
TEST(TerminalHost, OfAStopAndAContinueTheLaterStands) {
  const ChildResult r = runChild(
      [] {
        for (int signo : {SIGTSTP, SIGCONT}) signal(signo, SIG_DFL);
        signal_watch::install();
        raise(SIGTSTP);
        raise(SIGCONT);
        say(signal_watch::take() == signal_watch::kContinue ? "[continue]" : "[stop?]");
        raise(SIGCONT);
        raise(SIGTSTP);
        say(signal_watch::take() == signal_watch::kStop ? "[stop]" : "[continue?]");
        _exit(0);
      },
      "");
  EXPECT_EQ(r.output, "[continue][stop]");
}

bool g_claimInterrupt(std::uint32_t event) {
  say(event == kCtrlCEvent ? "[ctrl-c]" : "[other]");
  return true;
}
// The signal that ends the process and the event the handlers hear of.
struct Ending {
  int signo;
  std::uint32_t event;
};
Ending g_ending{};

bool g_olderHandler(std::uint32_t event) {
  say(event == g_ending.event ? "[older]" : "[older?]");
  return true;
}
bool g_newerHandler(std::uint32_t event) {
  say(event == g_ending.event ? "[newer]" : "[newer?]");
  return false;
}

// A hang-up closes, SIGTERM shuts down: the handlers hear of it newest
// first, then the process ends by the signal whatever they answered.
TEST(TerminalHost, TerminationRunsTheHandlersThenEnds) {
  for (const Ending ending :
       {Ending{SIGTERM, kCtrlShutdownEvent}, Ending{SIGHUP, kCtrlCloseEvent}}) {
    g_ending = ending;
    const ChildResult r = runChild(
        [] {
          TerminalHost p;
          p.setCtrlHandler(g_olderHandler, true);
          p.setCtrlHandler(g_newerHandler, true);
          p.atExit([] { say("[exit handler?]"); });
          kill(getpid(), g_ending.signo);
          p.waitForInput(kInfinite);
          say("[survived?]");
        },
        "", true);
    EXPECT_EQ(r.output, "[newer][older]") << ending.signo;
    ASSERT_TRUE(WIFSIGNALED(r.status));
    EXPECT_EQ(WTERMSIG(r.status), ending.signo);
  }
}

TEST(TerminalHost, AnInterruptEndsTheProcessUnlessAHandlerClaimsIt) {
  const ChildResult claimed = runChild(
      [] {
        TerminalHost p;
        p.setCtrlHandler(g_claimInterrupt, true);
        kill(getpid(), SIGINT);
        p.sleep(1);
        say("[went on]");
        // Noted as a write begins, it is heard of there, and only there.
        kill(getpid(), SIGINT);
        std::uint32_t written = 0;
        p.writeBytes("w", 1, written);
        p.sleep(1);
        p.setCtrlHandler(g_claimInterrupt, false);
        if (p.setCtrlHandler(g_claimInterrupt, false)) say("[removed twice?]");
        kill(getpid(), SIGINT);
        p.waitForInput(50);
        say("[survived?]");
      },
      "", true);
  EXPECT_EQ(claimed.output, "[ctrl-c][went on][ctrl-c]w");
  ASSERT_TRUE(WIFSIGNALED(claimed.status));
  EXPECT_EQ(WTERMSIG(claimed.status), SIGINT);
}

TEST(TerminalHost, ClockWaitsAndLayout) {
  const ChildResult r = runChild(
      [] {
        TerminalHost p;
        std::int64_t frequency = 0, before = 0, after = 0;
        p.queryPerformanceFrequency(frequency);
        p.queryPerformanceCounter(before);
        const std::uint32_t ticks = p.tickCount();
        p.sleep(30);
        p.queryPerformanceCounter(after);
        const double slept = static_cast<double>(after - before) / static_cast<double>(frequency);
        say(slept >= 0.030 && slept < 1.0 ? "slept " : "clock? ");
        say(p.tickCount() - ticks >= 29 ? "ticks " : "ticks? ");
        // Waiting without input times out.
        const auto start = std::chrono::steady_clock::now();
        const bool got = p.waitForInput(60);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        say(got ? "input? " : (ms >= 60 && ms < 1000 ? "timed out " : "wrong time? "));
        say(p.mapVirtualKey('A', kMapVkToChar) == 'A' && p.mapVirtualKey(vk::kBack, 2) == 8 &&
                    p.mapVirtualKey(vk::kUp, 2) == 0
                ? "layout"
                : "layout?");
        p.exitProcess(0);
      },
      "", true);
  EXPECT_EQ(r.output, "slept ticks timed out layout");
}

}  // namespace
}  // namespace maze
