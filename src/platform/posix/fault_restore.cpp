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
// What goes to the output: the cursor shown, the keyboard's modes back.
char g_lastWords[sizeof kShowCursor + kMaxKeyboardBytes] = {};
std::size_t g_lastWordsLength = 0;
std::atomic<bool> g_armed{false};

void restoreAndDie(int signo) {
  if (g_armed.exchange(false)) {
    if (g_haveSettings) tcsetattr(g_fd, TCSANOW, &g_settings);
    writeIfRoom(STDOUT_FILENO, {g_lastWords, g_lastWordsLength});
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

void install(int fd, const termios* settings, bool showCursor, std::string_view keyboard) {
  g_fd = fd;
  g_haveSettings = settings != nullptr;
  if (settings) g_settings = *settings;
  std::string_view shown = showCursor ? std::string_view(kShowCursor, sizeof kShowCursor - 1) : "";
  // Cut short, a sequence would do harm: too long a one is left out.
  if (keyboard.size() > kMaxKeyboardBytes) keyboard = {};
  shown.copy(g_lastWords, shown.size());
  keyboard.copy(g_lastWords + shown.size(), keyboard.size());
  g_lastWordsLength = shown.size() + keyboard.size();
  if (!g_haveSettings && g_lastWordsLength == 0) return;
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
