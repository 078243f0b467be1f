#include "platform/posix/terminal_host.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cfenv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/posix/fault_restore.hpp"
#include "platform/posix/fd_io.hpp"
#include "platform/posix/signal_watch.hpp"

namespace maze {
namespace {

// How long the first draw may wait for the terminal to say where its
// cursor is, counted from the question: a terminal at the far end of a
// slow link answers within this, a local one at once, which ends the wait.
constexpr std::int64_t kCursorReportWaitNs = 1'000'000'000;
// An answer later than this cannot be one any more: the same bytes are
// then a key.
constexpr std::int64_t kCursorReportLateNs = 5'000'000'000;

// The C library's exit hook can only reach the host through this.
TerminalHost* g_active = nullptr;

void restoreActiveTerminal() {
  if (g_active) g_active->restoreTerminal();
}

bool sameTerminal(int a, int b) {
  struct stat sa {};
  struct stat sb {};
  return fstat(a, &sa) == 0 && fstat(b, &sb) == 0 && sa.st_rdev == sb.st_rdev;
}

int terminalOf(int input, int output) {
  if (isatty(input)) return input;
  return isatty(output) ? output : -1;
}

bool pipeOrSocket(int fd) {
  struct stat st {};
  return fstat(fd, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

}  // namespace

TerminalHost::TerminalHost()
    : terminal_(lookUpTerminal(std::getenv("TERM"))),
      // A terminal that cannot place its cursor as the renderer does
      // (Emacs's shell buffer, a vt52, one the database does not know) gets
      // the byte stream a pipe gets, both ways.
      dumb_(!terminal_.drawable),
      input_(STDIN_FILENO, !dumb_, charset_.utf8() ? nullptr : &charset_),
      terminalFd_(terminalOf(STDIN_FILENO, STDOUT_FILENO)),
      outputMayBreak_(pipeOrSocket(STDOUT_FILENO)) {
  signal_watch::install();
  mode_.save(STDIN_FILENO);
  const bool drawable = isatty(STDOUT_FILENO) != 0 && !dumb_;
  // Keys come from the terminal drawn on: it takes the keyboard's modes
  // and answers where its cursor is.
  const bool typedHere =
      drawable && input_.isTerminal() && sameTerminal(STDIN_FILENO, STDOUT_FILENO);
  if (typedHere) keyboard_ = KeyboardModes(terminal_);
  fault_restore::install(STDIN_FILENO, mode_.savedSettings(), drawable, keyboard_.leaveBytes());
  awaitForeground();
  takeTerminal();
  if (drawable) {
    const TerminalSize size = readTerminalSize(STDOUT_FILENO);
    if (size.columns > 1 && size.rows > 1) {
      display_ = std::make_unique<TerminalDisplay>(STDOUT_FILENO, size, charset_,
                                                   static_cast<WriteWatcher*>(this));
      // Ask now where the terminal's cursor is; the answer is read at the
      // first draw, by when a local terminal's has long arrived.
      if (typedHere && writeAll(STDOUT_FILENO, "\x1b[6n", this)) {
        input_.expectCursorReport(kCursorReportWaitNs, kCursorReportLateNs, signal_watch::wakeFd());
      }
    }
  }
  static bool hookRegistered = false;
  if (!hookRegistered) hookRegistered = std::atexit(restoreActiveTerminal) == 0;
  g_active = this;
}

TerminalHost::~TerminalHost() {
  restoreTerminal();
  signal_watch::uninstall();
  if (g_active == this) g_active = nullptr;
}

ScreenBuffer& TerminalHost::screen() {
  if (display_) return display_->screen();
  return noScreen_;
}

// --- Input ---

// A peek takes nothing from a file or pipe: its bytes are taken as the
// program waits for keys.
void TerminalHost::pumpInput(Taking taking) {
  if (taking == Taking::Read || input_.isTerminal()) input_.pump();
}

bool TerminalHost::waitForInput(std::uint32_t timeoutMs) {
  const std::int64_t deadline =
      timeoutMs == kInfinite ? -1 : monotonicNs() + static_cast<std::int64_t>(timeoutMs) * kNsPerMs;
  for (;;) {
    if (actOnSignals()) return true;
    if (!input_.records().empty()) return true;
    if (input_.ended()) exitProcess(0);
    beforeWaiting();
    const bool waited =
        input_.waitOnce(deadline, signal_watch::wakeFd(), outputMayBreak_ ? STDOUT_FILENO : -1);
    if (input_.outputGone()) readerGone();
    if (!waited) return !input_.records().empty();
  }
}

void TerminalHost::beforeWaiting() {
  if (display_) display_->settleCursor();
}

void TerminalHost::enterKeyboardModes() { writeAll(STDOUT_FILENO, keyboard_.enter(), this); }

void TerminalHost::leaveKeyboardModes(bool waitForRoom) {
  const std::string_view bytes = keyboard_.leave();
  if (waitForRoom) {
    writeAll(STDOUT_FILENO, bytes, this);
  } else {
    writeIfRoom(STDOUT_FILENO, bytes);
  }
}

// --- Output ---

bool TerminalHost::writeBytes(const void* bytes, std::uint32_t length, std::uint32_t& written) {
  written = 0;
  if (length == 0) return true;
  const long n = writeOnce(STDOUT_FILENO, bytes, length, this);
  // Nothing taken counts as a failure, so no caller retries for ever.
  if (n <= 0) return false;
  written = static_cast<std::uint32_t>(n);
  return true;
}

void TerminalHost::flushScreen() {
  if (display_) display_->draw(input_);
}

// A file or pipe gets no bell: it would change the bytes written.
bool TerminalHost::beep(std::uint32_t, std::uint32_t) {
  if (display_) display_->ringBell();
  return true;
}

// --- Time and runtime ---

void TerminalHost::sleep(std::uint32_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * kNsPerMs};
  actOnSignals();
  beforeWaiting();
  while (nanosleep(&left, &left) != 0 && errno == EINTR) actOnSignals();
  actOnSignals();
}

bool TerminalHost::queryPerformanceFrequency(std::int64_t& frequency) {
  frequency = 1'000'000'000;
  return true;
}

bool TerminalHost::queryPerformanceCounter(std::int64_t& counter) {
  counter = monotonicNs();
  return true;
}

std::uint32_t TerminalHost::tickCount() {
  return static_cast<std::uint32_t>(monotonicNs() / kNsPerMs);
}

// Doubles are computed in SSE or NEON registers here, at their own
// precision; only the rounding mode needs setting.
void TerminalHost::setFloatingPointControl(std::uint32_t, std::uint32_t) {
  std::fesetround(FE_TONEAREST);
}

void TerminalHost::exitProcess(int status) {
  exitHandlers_.runNewestFirst();
  if (display_ && display_->drawn()) display_->draw(input_);
  restoreTerminal();
  std::fflush(nullptr);
  _exit(status);
}

}  // namespace maze
