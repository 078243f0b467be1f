#include "support/pty_session.hpp"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include "support/system_calls.hpp"

extern char** environ;

namespace e2e {

namespace {

int millisLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

// The environment of a player's terminal; the caller's own terminal settings are not passed on.
std::vector<std::string> playerEnvironment(const std::vector<std::string>& overrides) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string_view item(*entry);
    if (item.starts_with("TERM=") || item.starts_with("LANG=") || item.starts_with("LC_") ||
        item.starts_with("COLUMNS=") || item.starts_with("LINES=")) {
      continue;
    }
    env.emplace_back(item);
  }
  env.emplace_back("TERM=xterm-256color");
  env.emplace_back("LANG=C.UTF-8");
  for (const std::string& entry : overrides) {
    const std::string name = entry.substr(0, entry.find('=') + 1);
    std::erase_if(env, [&](const std::string& item) { return item.starts_with(name); });
    env.push_back(entry);
  }
  return env;
}

volatile sig_atomic_t g_foregroundAsked = 0;

void noteWake(int signo) {
  if (signo == SIGUSR1) g_foregroundAsked = 1;
}

std::vector<char*> pointers(std::vector<std::string>& items) {
  std::vector<char*> result;
  for (auto& item : items) result.push_back(item.data());
  result.push_back(nullptr);
  return result;
}

void writeAll(int fd, const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
}

void defaultSignals() {
  for (int sig : {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP, SIGCONT, SIGTTIN, SIGTTOU, SIGPIPE,
                  SIGCHLD, SIGWINCH}) {
    std::signal(sig, SIG_DFL);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

// Runs in the forked child and never returns: a minimal job-control shell. SIGUSR1 is
// its "fg".
[[noreturn]] void runShell(int slave, int statusOut, int output, const PtyOptions& options,
                           char** argv, char** envp) {
  if (login_tty(slave) != 0) _exit(126);
  for (int sig : {SIGINT, SIGQUIT, SIGTSTP, SIGTTIN, SIGTTOU, SIGPIPE, SIGHUP}) {
    std::signal(sig, SIG_IGN);
  }
  // "fg" (SIGUSR1) and the program's changes (SIGCHLD) wake it only inside sigsuspend, so
  // neither is missed.
  struct sigaction wake {};
  wake.sa_handler = noteWake;
  sigaction(SIGUSR1, &wake, nullptr);
  sigaction(SIGCHLD, &wake, nullptr);
  sigset_t wakers;
  sigset_t waiting;
  sigemptyset(&wakers);
  sigaddset(&wakers, SIGUSR1);
  sigaddset(&wakers, SIGCHLD);
  sigprocmask(SIG_BLOCK, &wakers, &waiting);
  writeAll(STDOUT_FILENO, options.before.data(), options.before.size());

  int go[2];
  if (pipe(go) != 0) _exit(126);
  pid_t game = fork();
  if (game < 0) _exit(126);
  if (game == 0) {
    close(go[1]);
    close(statusOut);
    setpgid(0, 0);
    char token;
    while (read(go[0], &token, 1) < 0 && errno == EINTR) {
    }
    close(go[0]);
    if (output >= 0) dup2(output, STDOUT_FILENO);
    defaultSignals();
    for (int sig : options.ignored) std::signal(sig, SIG_IGN);
    // SIGQUIT would leave core files behind.
    rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    execve(argv[0], argv, envp);
    _exit(127);
  }
  setpgid(game, game);
  if (!options.background) tcsetpgrp(STDIN_FILENO, game);
  close(go[0]);
  close(go[1]);
  writeAll(statusOut, &game, sizeof game);
  for (;;) {
    int status = 0;
    pid_t got;
    while ((got = waitpid(game, &status, WNOHANG | WUNTRACED | WCONTINUED)) > 0) {
      writeAll(statusOut, &status, sizeof status);
      if (WIFEXITED(status) || WIFSIGNALED(status)) _exit(0);
    }
    if (got < 0) _exit(126);
    if (g_foregroundAsked) {
      g_foregroundAsked = 0;
      tcsetpgrp(STDIN_FILENO, game);
      kill(-game, SIGCONT);
    }
    sigsuspend(&waiting);
  }
}

}  // namespace

PtySession::PtySession(PtyOptions options)
    : screen_(options.rows, options.cols), replyDelay_(options.replyDelay) {
  winsize size{};
  size.ws_row =
      static_cast<unsigned short>(options.reportedRows >= 0 ? options.reportedRows : options.rows);
  size.ws_col =
      static_cast<unsigned short>(options.reportedCols >= 0 ? options.reportedCols : options.cols);
  if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) fail("openpty");
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  // A shell leaves its terminal in UTF-8 cooked mode.
  termios cooked = TermSettings::of(slave_).raw;
  cooked.c_iflag |= IUTF8;
  tcsetattr(slave_, TCSANOW, &cooked);
  before_ = TermSettings::of(slave_);

  int status[2];
  if (pipe2(status, O_CLOEXEC) != 0) fail("pipe");
  std::vector<std::string> args = options.argv;
  std::vector<std::string> env = playerEnvironment(options.env);
  std::vector<char*> argv = pointers(args);
  std::vector<char*> envp = pointers(env);
  int socket[2] = {-1, -1};
  if (options.socketOutput && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, socket) != 0) {
    fail("socketpair");
  }

  shellPid_ = fork();
  if (shellPid_ < 0) fail("fork");
  if (shellPid_ == 0) {
    close(master_);
    close(status[0]);
    if (socket[0] >= 0) close(socket[0]);
    // The status pipe must survive into the shell but not into the program.
    int statusOut = dup(status[1]);
    runShell(slave_, statusOut, socket[1], options, argv.data(), envp.data());
  }
  close(status[1]);
  statusPipe_ = status[0];
  if (socket[1] >= 0) close(socket[1]);
  socketPeer_ = socket[0];
  screen_.onReply([this](std::string_view reply) {
    if (replyDelay_.count() == 0) {
      send(reply);
    } else if (replyDelay_.count() > 0) {
      replies_.emplace_back(Clock::now() + replyDelay_, reply);
    }
  });

  auto deadline = Clock::now() + kWaitLimit;
  while (gamePid_ < 0 && Clock::now() < deadline) pump(Millis{millisLeft(deadline)});
  if (gamePid_ < 0) {
    kill(shellPid_, SIGKILL);
    waitpid(shellPid_, nullptr, 0);
    throw std::runtime_error("the program did not start");
  }
}

PtySession::~PtySession() {
  if (gamePid_ > 0 && !exitStatus_) kill(gamePid_, SIGKILL);
  if (shellPid_ > 0) {
    int ignored;
    while (waitpid(shellPid_, &ignored, 0) < 0 && errno == EINTR) {
    }
  }
  for (int fd : {master_, slave_, statusPipe_, socketPeer_}) {
    if (fd >= 0) close(fd);
  }
}

void PtySession::send(std::string_view bytes) {
  auto deadline = Clock::now() + kWaitLimit;
  while (!bytes.empty()) {
    ssize_t n = write(master_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      // The program is not reading; keep taking its output so neither side blocks.
      if (Clock::now() >= deadline) throw std::runtime_error("the program stopped reading input");
      pollfd out{master_, POLLOUT, 0};
      poll(&out, 1, 10);
      pump(Millis{0});
    } else {
      fail("write to terminal");
    }
  }
}

void PtySession::writeToTerminal(std::string_view bytes) {
  writeAll(slave_, bytes.data(), bytes.size());
}

void PtySession::signal(int sig) {
  if (kill(gamePid_, sig) != 0) fail("kill");
}

void PtySession::bringToForeground() {
  if (kill(shellPid_, SIGUSR1) != 0) fail("kill");
}

void PtySession::closeSocketPeer() {
  char buffer[4096];
  pollfd written{socketPeer_, POLLIN, 0};
  poll(&written, 1, static_cast<int>(kWaitLimit.count()));
  while (poll(&written, 1, 200) == 1 && read(socketPeer_, buffer, sizeof buffer) > 0) {
  }
  close(socketPeer_);
  socketPeer_ = -1;
}

void PtySession::resize(int rows, int cols) {
  screen_.resize(rows, cols);
  winsize size{};
  size.ws_row = static_cast<unsigned short>(rows);
  size.ws_col = static_cast<unsigned short>(cols);
  if (ioctl(master_, TIOCSWINSZ, &size) != 0) fail("TIOCSWINSZ");
}

bool PtySession::pump(Millis limit) {
  bool got = false;
  for (; !replies_.empty() && replies_.front().first <= Clock::now(); got = true) {
    std::string reply = std::move(replies_.front().second);
    replies_.pop_front();
    send(reply);
  }
  if (!replies_.empty()) limit = std::min(limit, Millis{millisLeft(replies_.front().first)});
  pollfd fds[2] = {{reading_ ? master_ : -1, POLLIN, 0}, {statusPipe_, POLLIN, 0}};
  int ready = poll(fds, 2, static_cast<int>(limit.count()));
  if (ready <= 0) return got;
  if (fds[0].revents & POLLIN) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(master_, buffer, sizeof buffer)) > 0) {
      transcript_.append(buffer, static_cast<size_t>(n));
      screen_.feed(std::string_view(buffer, static_cast<size_t>(n)));
      got = true;
    }
  }
  if (fds[1].revents & (POLLIN | POLLHUP)) {
    readStatuses();
    got = true;
  }
  return got;
}

void PtySession::readStatuses() {
  char buffer[256];
  ssize_t n = read(statusPipe_, buffer, sizeof buffer);
  if (n <= 0) {
    // The shell has gone; nothing more will be reported.
    close(statusPipe_);
    statusPipe_ = -1;
    return;
  }
  statusBytes_.append(buffer, static_cast<size_t>(n));
  while (statusBytes_.size() >= sizeof(int)) {
    int value;
    std::memcpy(&value, statusBytes_.data(), sizeof value);
    statusBytes_.erase(0, sizeof value);
    if (gamePid_ < 0) {
      gamePid_ = value;
    } else {
      statuses_.push_back(value);
      if (WIFEXITED(value) || WIFSIGNALED(value)) exitStatus_ = value;
    }
  }
}

bool PtySession::waitUntil(const std::function<bool()>& done, Millis limit) {
  auto deadline = Clock::now() + limit;
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    if (exitStatus_) {
      drainOutput();
      return done();
    }
    pump(Millis{millisLeft(deadline)});
  }
}

bool PtySession::waitForText(std::string_view text, Millis limit) {
  return waitUntil([&] { return screen_.contains(text); }, limit);
}

void PtySession::settle(Millis quiet, Millis limit) {
  auto deadline = Clock::now() + limit;
  while (Clock::now() < deadline) {
    auto step = std::min(quiet, Millis{millisLeft(deadline)});
    if (!pump(step)) return;
  }
}

void PtySession::drainOutput() {
  // Output written just before the end may still be on its way through the terminal.
  while (pump(Millis{50})) {
  }
}

std::optional<int> PtySession::takeStatus(const std::function<bool(int)>& wanted, Millis limit) {
  auto deadline = Clock::now() + limit;
  for (;;) {
    while (!statuses_.empty()) {
      int status = statuses_.front();
      statuses_.pop_front();
      if (wanted(status)) return status;
    }
    if (statusPipe_ < 0 || Clock::now() >= deadline) return std::nullopt;
    pump(Millis{millisLeft(deadline)});
  }
}

std::optional<int> PtySession::waitExit(Millis limit) {
  auto deadline = Clock::now() + limit;
  while (!exitStatus_ && statusPipe_ >= 0 && Clock::now() < deadline) {
    pump(Millis{millisLeft(deadline)});
  }
  if (exitStatus_) drainOutput();
  return exitStatus_;
}

std::optional<int> PtySession::waitStopped(Millis limit) {
  return takeStatus([](int s) { return WIFSTOPPED(s) || WIFEXITED(s) || WIFSIGNALED(s); }, limit);
}

bool PtySession::waitContinued(Millis limit) {
  return takeStatus([](int s) { return WIFCONTINUED(s) != 0; }, limit).has_value();
}

::testing::AssertionResult PtySession::settingsAsBefore() const {
  const TermSettings now = settingsNow();
  if (now == before_) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "the terminal's settings changed\nafter:  " << now.describe()
         << "\nbefore: " << before_.describe();
}

std::string PtySession::dump() const {
  auto cursor = screen_.cursor();
  std::string text = "screen (cursor at row " + std::to_string(cursor.row) + ", column " +
                     std::to_string(cursor.col) + "):\n";
  // Appended piece by piece: "|" + row builds a temporary that GCC 12 at -O3
  // mistakes for an overlapping copy (-Wrestrict).
  for (int r = 0; r < screen_.rows(); ++r) {
    text += '|';
    text += screen_.row(r);
    text += '\n';
  }
  return text;
}

}  // namespace e2e
