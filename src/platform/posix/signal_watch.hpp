// The signals the terminal backend acts on. The handlers only note the
// signal and wake the game thread through a pipe; the game thread acts on
// them when it next waits, polls, sleeps or draws.
#pragma once

#include <cstdint>

namespace maze::signal_watch {

enum Flag : std::uint32_t {
  kInterrupt = 1 << 0,  // SIGINT
  kQuit = 1 << 1,       // SIGQUIT
  kTerminate = 1 << 2,  // SIGTERM
  kHangup = 1 << 3,     // SIGHUP
  kStop = 1 << 4,       // SIGTSTP
  kContinue = 1 << 5,   // SIGCONT
  kResize = 1 << 6,     // SIGWINCH
  kPipe = 1 << 7,       // SIGPIPE sent by a process, not raised by a write
};
// The signals that end the process unless a handler claims them.
constexpr std::uint32_t kEnding = kInterrupt | kQuit | kTerminate | kHangup | kPipe;

// Installs the handlers (leaving alone signals the parent had us ignore).
// A write's own SIGPIPE is let pass, so a reader that has gone is a write
// error, and the terminal can be restored before the process dies of it.
void install();
// Puts the earlier dispositions back.
void uninstall();
// Readable whenever a signal has been noted; -1 when there is no pipe.
int wakeFd();
// The signals noted since the last call; empties the pipe.
std::uint32_t take();
// Only those of `flags`, leaving the rest (and the pipe) for take().
std::uint32_t take(std::uint32_t flags);
// Empties the pipe (a wake-up whose signal was already taken).
void drain();

// The parent had the process ignore `signo` (SIGPIPE: before install()).
bool parentIgnored(int signo);
// Neither caught, ignored nor blocked: `signo` would stop the process.
bool stopsByDefault(int signo);
// A SIGCONT is noted when it comes: it is watched and not blocked.
bool hearsContinue();

// Ends the process by `signo` with its default action, as if no handler
// had been installed.
[[noreturn]] void dieBy(int signo);
// Stops the process as Ctrl+Z does by default, unless a SIGCONT has been
// noted since the stop was taken; returns once continued.
void stopProcess();

}  // namespace maze::signal_watch
