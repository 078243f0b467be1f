#include "platform/posix/fault_restore.hpp"

#include <unistd.h>

#include <atomic>
#include <csignal>

#include "platform/posix/fd_io.hpp"

namespace maze::fault_restore {
namespace {

// Every signal that ends the process by default and that the signal
// watch does not take; the real-time signals are added at run time.
constexpr int kFatal[] = {
    SIGSEGV,   SIGBUS,  SIGFPE,    SIGILL,  SIGABRT, SIGTRAP, SIGSYS,
    SIGUSR1,   SIGUSR2, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGALRM,
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGEMT
    SIGEMT,
#endif
#ifdef __linux__
    SIGIO,  // ignored by default elsewhere
#endif
};
constexpr char kShowCursor[] = "\x1b[0m\x1b[?25h";

// Only async-signal-safe calls may touch these from the handler.
int g_fd = -1;
termios g_settings{};
bool g_haveSettings = false;
bool g_showCursor = false;
std::atomic<bool> g_armed{false};

void restoreAndDie(int signo) {
  if (g_armed.exchange(false)) {
    if (g_haveSettings) tcsetattr(g_fd, TCSANOW, &g_settings);
    if (g_showCursor) writeIfRoom(STDOUT_FILENO, {kShowCursor, sizeof kShowCursor - 1});
  }
  signal(signo, SIG_DFL);
  raise(signo);
}

void catchSignal(int signo, const struct sigaction& action) {
  struct sigaction previous {};
  if (sigaction(signo, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) return;
  sigaction(signo, &action, nullptr);
}

}  // namespace

void install(int fd, const termios* settings, bool showCursor) {
  g_fd = fd;
  g_haveSettings = settings != nullptr;
  if (settings) g_settings = *settings;
  g_showCursor = showCursor;
  if (!g_haveSettings && !g_showCursor) return;
  struct sigaction action {};
  action.sa_handler = restoreAndDie;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  for (int signo : kFatal) catchSignal(signo, action);
#ifdef SIGRTMIN
  for (int signo = SIGRTMIN; signo <= SIGRTMAX; ++signo) catchSignal(signo, action);
#endif
}

void setArmed(bool armed) { g_armed = armed; }

}  // namespace maze::fault_restore
