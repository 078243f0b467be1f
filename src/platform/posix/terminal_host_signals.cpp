// The terminal host's signals, and the terminal handed back and taken
// again around them: at a stop, at the end, and while the job waits in the
// background.
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <utility>

#include "platform/posix/fault_restore.hpp"
#include "platform/posix/signal_watch.hpp"
#include "platform/posix/terminal_host.hpp"

namespace maze {
namespace {

// How often a job in the background that cannot be stopped looks whether
// it has been brought to the foreground: a shell's `fg` on a running job
// sends no signal.
constexpr int kForegroundCheckMs = 100;

}  // namespace

bool TerminalHost::actOnSignals() {
  bool taken = std::exchange(claimed_, false);
  std::uint32_t noted = signal_watch::take();
  // Continued from a stop in the middle of a write: drawn afresh now.
  if (std::exchange(stoppedInWrite_, false)) noted |= signal_watch::kContinue;
  if (noted == 0) return taken;
  taken = actOnEnding(noted) || taken;
  if (noted & signal_watch::kStop) {
    suspend();
    // What came while the process was stopped.
    const std::uint32_t meanwhile = signal_watch::take();
    taken = actOnEnding(meanwhile) || taken;
    noted |= meanwhile;
  }
  if (noted & (signal_watch::kStop | signal_watch::kContinue)) {
    resume();
  } else if ((noted & signal_watch::kResize) && display_) {
    display_->refit(readTerminalSize(STDOUT_FILENO));
  }
  return taken;
}

bool TerminalHost::actOnEnding(std::uint32_t noted) {
  bool taken = false;
  // Ctrl+C and Ctrl+\ are the interrupt and break events: a handler may
  // claim them, else the process ends as it would by default.
  if (noted & signal_watch::kInterrupt) {
    if (!ctrlHandlers_.raise(kCtrlCEvent)) endBySignal(SIGINT);
    taken = true;
  }
  if (noted & signal_watch::kQuit) {
    if (!ctrlHandlers_.raise(kCtrlBreakEvent)) endBySignal(SIGQUIT);
    taken = true;
  }
  // A hang-up closes the console, SIGTERM shuts it down: the handlers hear
  // of it, then the process ends whatever they answered.
  if (noted & signal_watch::kHangup) {
    ctrlHandlers_.raise(kCtrlCloseEvent);
    endBySignal(SIGHUP);
  }
  if (noted & signal_watch::kTerminate) {
    ctrlHandlers_.raise(kCtrlShutdownEvent);
    endBySignal(SIGTERM);
  }
  // Sent by another process, SIGPIPE ends it as by default.
  if (noted & signal_watch::kPipe) endBySignal(SIGPIPE);
  return taken;
}

// A write blocked on an output nobody reads must not hold up a signal
// that ends or stops the process. A stop hands the terminal back as an
// ending does, at once; continued, the write goes on in the foreground and
// the next wait draws the screen afresh. Other signals wait for the next
// wait, for acting on them draws.
void TerminalHost::beforeWrite() {
  const std::uint32_t noted = signal_watch::take(signal_watch::kEnding | signal_watch::kStop);
  if (noted == 0) return;
  claimed_ = actOnEnding(noted) || claimed_;
  if (noted & signal_watch::kStop) {
    // Stopped while handing the terminal back, the program does not take
    // it again.
    const bool owned = !restored_;
    handBack(false);
    signal_watch::stopProcess();
    if (!owned) return;
    awaitForeground();
    takeTerminal();
    stoppedInWrite_ = true;
  }
}

// As a filter whose reader has gone: the terminal back, then death by
// SIGPIPE, unless the parent had SIGPIPE ignored.
void TerminalHost::readerGone() {
  if (!signal_watch::parentIgnored(SIGPIPE)) endBySignal(SIGPIPE);
  restoreTerminal();
  _exit(1);
}

// As the console's closing: nothing can bring the program's group to the
// foreground again. Death by SIGHUP, unless the parent had it ignored.
void TerminalHost::hungUp() {
  ctrlHandlers_.raise(kCtrlCloseEvent);
  if (!signal_watch::parentIgnored(SIGHUP)) endBySignal(SIGHUP);
  restoreTerminal();
  _exit(1);
}

// The settings go back at once; the screen's last words only as far as
// the output takes them now, for it may be blocked.
void TerminalHost::endBySignal(int signo) {
  handBack(false);
  signal_watch::dieBy(signo);
}

// A job started or continued in the background leaves the terminal alone
// (no settings changed, nothing drawn or asked) until it is brought to the
// foreground, or ends by a signal meanwhile.
void TerminalHost::awaitForeground() {
  while (!inForeground(terminalFd_)) {
    // Stopped, as a job that touched its terminal would be, so `fg` goes
    // on; only when neither signal may stop it does it look now and then.
    const int stop = signal_watch::stopsByDefault(SIGTTOU)   ? SIGTTOU
                     : signal_watch::stopsByDefault(SIGTTIN) ? SIGTTIN
                                                             : 0;
    if (stop != 0) {
      signal_watch::take(signal_watch::kContinue);
      kill(0, stop);
      // The system does not stop an orphaned group, for no shell is left
      // to continue it or bring it to the foreground.
      if (!signal_watch::take(signal_watch::kContinue) && signal_watch::hearsContinue() &&
          !inForeground(terminalFd_)) {
        hungUp();
      }
    } else {
      pollfd wake{signal_watch::wakeFd(), POLLIN, 0};
      poll(&wake, 1, kForegroundCheckMs);
    }
    const std::uint32_t noted = signal_watch::take();
    claimed_ = actOnEnding(noted) || claimed_;
    if (noted & signal_watch::kStop) signal_watch::stopProcess();
  }
}

void TerminalHost::takeTerminal() {
  restored_ = false;
  mode_.enterRaw();
  enterKeyboardModes();
  fault_restore::setArmed(true);
}

void TerminalHost::suspend() {
  restoreTerminal();
  signal_watch::stopProcess();
}

// Back from a stop (or continued after someone else stopped us): the
// terminal may have been used and resized meanwhile, and the job may be
// in the background now.
void TerminalHost::resume() {
  awaitForeground();
  takeTerminal();
  if (display_) display_->refit(readTerminalSize(STDOUT_FILENO));
}

void TerminalHost::restoreTerminal() { handBack(true); }

// The settings first: they go back at once, whatever the output does.
void TerminalHost::handBack(bool waitForRoom) {
  if (restored_) return;
  restored_ = true;
  fault_restore::setArmed(false);
  mode_.restore();
  leaveKeyboardModes(waitForRoom);
  if (display_) display_->leave(waitForRoom);
}

}  // namespace maze
