#include "platform/posix/signal_watch.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace maze::signal_watch {
namespace {

struct Watched {
  int signo;
  Flag flag;
};

constexpr Watched kWatched[] = {
    {SIGINT, kInterrupt}, {SIGQUIT, kQuit},     {SIGTERM, kTerminate}, {SIGHUP, kHangup},
    {SIGTSTP, kStop},     {SIGCONT, kContinue}, {SIGWINCH, kResize},
};
constexpr int kWatchedCount = sizeof(kWatched) / sizeof(kWatched[0]);

// Signal handlers can reach nothing else: these are process-wide.
std::atomic<std::uint32_t> g_noted{0};
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[kWatchedCount];
struct sigaction g_previousPipe;
bool g_installed = false;

void note(std::uint32_t flag) {
  const int savedErrno = errno;
  g_noted.fetch_or(flag);
  if (g_pipe[1] >= 0) {
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = write(g_pipe[1], &byte, 1);
  }
  errno = savedErrno;
}

// Of a stop and a continue, only the later one stands: a stop that a
// SIGCONT followed is over before the program acted on it.
void noteSignal(int signo) {
  if (signo == SIGTSTP) g_noted.fetch_and(~std::uint32_t{kContinue});
  if (signo == SIGCONT) g_noted.fetch_and(~std::uint32_t{kStop});
  for (const Watched& w : kWatched) {
    if (w.signo == signo) note(w.flag);
  }
}

// A write to an output whose reader has gone raises SIGPIPE as well: that
// one is the write's error, acted on there. Only a SIGPIPE some process
// sent is noted.
void notePipe(int, siginfo_t* info, void*) {
  bool sent = info->si_code == SI_USER || info->si_code == SI_QUEUE;
#ifdef SI_TKILL
  sent = sent || info->si_code == SI_TKILL;
#endif
  if (sent) note(kPipe);
}

void makePipe() {
  if (pipe(g_pipe) != 0) {
    g_pipe[0] = g_pipe[1] = -1;
    return;
  }
  for (int fd : g_pipe) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
}

// A signal that ends or stops the process must also end a write that waits
// on an output nobody reads, so it interrupts system calls rather than
// restarts them. Handlers run one at a time, so a stop and a continue are
// noted in the order they came.
void setHandler(int signo, void (*handler)(int), struct sigaction* previous) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  for (const Watched& w : kWatched) sigaddset(&action.sa_mask, w.signo);
  const bool interrupts = signo == SIGINT || signo == SIGQUIT || signo == SIGTERM ||
                          signo == SIGHUP || signo == SIGTSTP;
  action.sa_flags = interrupts ? 0 : SA_RESTART;
  sigaction(signo, &action, previous);
}

bool unblocked(int signo) {
  sigset_t blocked;
  return sigprocmask(SIG_BLOCK, nullptr, &blocked) == 0 && !sigismember(&blocked, signo);
}

}  // namespace

void install() {
  if (g_installed) return;
  makePipe();
  sigaction(SIGPIPE, nullptr, &g_previousPipe);
  if (g_previousPipe.sa_handler != SIG_IGN) {
    struct sigaction action {};
    action.sa_sigaction = notePipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO;
    sigaction(SIGPIPE, &action, nullptr);
  }
  for (int i = 0; i < kWatchedCount; ++i) {
    sigaction(kWatched[i].signo, nullptr, &g_previous[i]);
    if (g_previous[i].sa_handler == SIG_IGN) continue;
    setHandler(kWatched[i].signo, noteSignal, nullptr);
  }
  g_installed = true;
}

void uninstall() {
  if (!g_installed) return;
  for (int i = 0; i < kWatchedCount; ++i) sigaction(kWatched[i].signo, &g_previous[i], nullptr);
  sigaction(SIGPIPE, &g_previousPipe, nullptr);
  for (int& fd : g_pipe) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  g_noted = 0;
  g_installed = false;
}

int wakeFd() { return g_pipe[0]; }

void drain() {
  char buffer[64];
  while (g_pipe[0] >= 0 && read(g_pipe[0], buffer, sizeof buffer) > 0) {
  }
}

// The pipe is emptied before the flags are taken: a signal in between
// leaves its byte behind, so its flag is never missed. It is emptied even
// when no flag is set, for a byte whose flag was taken already would
// otherwise wake every wait at once.
std::uint32_t take() {
  drain();
  return g_noted.exchange(0);
}

std::uint32_t take(std::uint32_t flags) {
  if ((g_noted.load(std::memory_order_relaxed) & flags) == 0) return 0;
  return g_noted.fetch_and(~flags) & flags;
}

bool parentIgnored(int signo) {
  if (signo == SIGPIPE) return g_previousPipe.sa_handler == SIG_IGN;
  struct sigaction now {};
  return sigaction(signo, nullptr, &now) == 0 && now.sa_handler == SIG_IGN;
}

bool stopsByDefault(int signo) {
  struct sigaction now {};
  return sigaction(signo, nullptr, &now) == 0 && now.sa_handler == SIG_DFL && unblocked(signo);
}

bool hearsContinue() { return !parentIgnored(SIGCONT) && unblocked(SIGCONT); }

void dieBy(int signo) {
  signal(signo, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signo);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(signo);
  _exit(128 + signo);
}

// The stop is raised blocked, so a SIGCONT that comes from then on discards
// it; one noted before it was raised voids it here: ignoring a pending
// signal discards it. Unblocked, what is left of it stops the process.
void stopProcess() {
  sigset_t stop;
  sigset_t before;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  sigprocmask(SIG_BLOCK, &stop, &before);
  struct sigaction previous {};
  setHandler(SIGTSTP, SIG_DFL, &previous);
  raise(SIGTSTP);
  if (g_noted.load() & kContinue) signal(SIGTSTP, SIG_IGN);
  sigprocmask(SIG_SETMASK, &before, nullptr);
  sigaction(SIGTSTP, &previous, nullptr);
}

}  // namespace maze::signal_watch
