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
  return taken;
}

// A write blocked on an output nobody reads must not hold up a signal
// that ends the process; other signals wait for the next wait, for acting
// on them draws.
void TerminalHost::beforeWrite() {
  if (const std::uint32_t noted = signal_watch::take(signal_watch::kEnding)) {
    claimed_ = actOnEnding(noted) || claimed_;
  }
}

// As a filter whose reader has gone: the terminal back, then death by
// SIGPIPE, unless the parent had SIGPIPE ignored.
void TerminalHost::readerGone() {
  if (!signal_watch::parentIgnored(SIGPIPE)) endBySignal(SIGPIPE);
  restoreTerminal();
  _exit(1);
}

// The settings go back at once; the screen's last words only as far as
// the output takes them now, for it may be blocked.
void TerminalHost::endBySignal(int signo) {
  if (!restored_) {
    restored_ = true;
    fault_restore::setArmed(false);
    mode_.restore();
    leaveKeyboardModes(false);
    if (display_) display_->leave(false);
  }
  signal_watch::dieBy(signo);
}

// A job started or continued in the background leaves the terminal alone
// (no settings changed, nothing drawn or asked) until it is brought to the
// foreground, or ends by a signal meanwhile.
void TerminalHost::awaitForeground() {
  while (!inForeground(terminalFd_)) {
    // Stopped, as a job that touched its terminal would be, so `fg` goes
    // on; only when neither signal may stop it does it look now and then.
    if (signal_watch::stopsByDefault(SIGTTOU)) {
      kill(0, SIGTTOU);
    } else if (signal_watch::stopsByDefault(SIGTTIN)) {
      kill(0, SIGTTIN);
    }
    pollfd wake{signal_watch::wakeFd(), POLLIN, 0};
    poll(&wake, 1, kForegroundCheckMs);
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

// The settings first: they go back at once, whatever the output does.
void TerminalHost::restoreTerminal() {
  if (restored_) return;
  restored_ = true;
  fault_restore::setArmed(false);
  mode_.restore();
  leaveKeyboardModes(true);
  if (display_) display_->leave(true);
}

}  // namespace maze
