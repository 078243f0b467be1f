#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/term_settings.hpp"
#include "support/vterm_screen.hpp"

namespace e2e {

using maze::CursorPos;
using maze::VtermScreen;

using Millis = std::chrono::milliseconds;
inline constexpr Millis kWaitLimit{5000};

struct PtyOptions {
  int rows = 25;
  int cols = 80;
  // The size the terminal reports to the program, when it differs from what it shows
  // (a terminal that claims 0 rows, say).
  int reportedRows = -1;
  int reportedCols = -1;
  std::vector<std::string> argv = {MAZE_BINARY};
  // Written to the terminal before the program starts, as a shell session's earlier output.
  std::string before{};
  // Entries that replace the player's environment's ("TERM=dumb").
  std::vector<std::string> env{};
  // Signals the program inherits ignored.
  std::vector<int> ignored{};
  // Started as "maze &" is: the shell keeps the terminal until bringToForeground().
  bool background = false;
  // The program's standard output is a socket whose other end the test holds.
  bool socketOutput = false;
  // The terminal's answers (to where its cursor is) come this late, as over a slow link;
  // negative: never.
  Millis replyDelay{0};
};

// The program in a pseudo-terminal, started the way an interactive shell starts a job:
// a session leader ("shell") owns the terminal and runs the program as the foreground
// process group, so job control (Ctrl+Z) works as it does for a player.
class PtySession {
 public:
  explicit PtySession(PtyOptions options = {});
  ~PtySession();
  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  VtermScreen& screen() { return screen_; }
  const VtermScreen& screen() const { return screen_; }
  pid_t pid() const { return gamePid_; }

  // Bytes as typed on the keyboard.
  void send(std::string_view bytes);
  // Writes bytes to the terminal from outside the program, as a shell would.
  void writeToTerminal(std::string_view bytes);
  void signal(int sig);
  // The shell's "fg": the program's group gets the terminal, then SIGCONT.
  void bringToForeground();
  // The terminal no longer reads what the program writes, as a frozen window would not.
  void stopReading() { reading_ = false; }
  void resumeReading() { reading_ = true; }
  // Once the program has written to its socket and gone quiet, the test's end is closed.
  void closeSocketPeer();
  // The player resizes the terminal window; the program is told by SIGWINCH.
  void resize(int rows, int cols);

  bool waitUntil(const std::function<bool()>& done, Millis limit = kWaitLimit);
  bool waitForText(std::string_view text, Millis limit = kWaitLimit);
  // Reads output until none arrives for `quiet`, at most `limit` in all.
  void settle(Millis quiet = Millis{250}, Millis limit = kWaitLimit);

  // Wait status of the program once it has ended; nothing if it is still running.
  std::optional<int> waitExit(Millis limit = kWaitLimit);
  // Wait status reported when the program stopped, or nothing.
  std::optional<int> waitStopped(Millis limit = kWaitLimit);
  bool waitContinued(Millis limit = kWaitLimit);

  // The terminal's settings before the program started, and now.
  const TermSettings& settingsBefore() const { return before_; }
  TermSettings settingsNow() const { return TermSettings::of(slave_); }
  // Whether they are the same again, with both in the message when not.
  ::testing::AssertionResult settingsAsBefore() const;
  // Everything the program wrote, for failure messages.
  const std::string& transcript() const { return transcript_; }
  std::string dump() const;

 private:
  // Reads what arrives within `limit`; false when nothing did.
  bool pump(Millis limit);
  void readStatuses();
  std::optional<int> takeStatus(const std::function<bool(int)>& wanted, Millis limit);
  void drainOutput();

  VtermScreen screen_;
  int master_ = -1;
  int slave_ = -1;
  int statusPipe_ = -1;
  int socketPeer_ = -1;
  pid_t shellPid_ = -1;
  pid_t gamePid_ = -1;
  TermSettings before_;
  std::string transcript_;
  std::string statusBytes_;
  std::deque<int> statuses_;
  std::optional<int> exitStatus_;
  bool reading_ = true;
  Millis replyDelay_;
  std::deque<std::pair<std::chrono::steady_clock::time_point, std::string>> replies_;
};

}  // namespace e2e
