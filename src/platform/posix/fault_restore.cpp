#include "platform/posix/fault_restore.hpp"

#include <unistd.h>

#include <csignal>

namespace maze::fault_restore {
namespace {

constexpr int kFaults[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr char kShowCursor[] = "\x1b[0m\x1b[?25h";

// Only async-signal-safe calls may touch these from the handler.
int g_fd = -1;
termios g_settings{};
bool g_haveSettings = false;
bool g_showCursor = false;

void restoreAndDie(int signo) {
  if (g_haveSettings) tcsetattr(g_fd, TCSANOW, &g_settings);
  if (g_showCursor) {
    [[maybe_unused]] const ssize_t ignored =
        write(STDOUT_FILENO, kShowCursor, sizeof kShowCursor - 1);
  }
  signal(signo, SIG_DFL);
  raise(signo);
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
  for (int signo : kFaults) sigaction(signo, &action, nullptr);
}

}  // namespace maze::fault_restore
