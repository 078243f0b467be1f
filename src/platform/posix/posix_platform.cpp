#include "platform/posix/posix_platform.hpp"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cfenv>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/input_records.hpp"
#include "platform/keyboard_layout.hpp"
#include "platform/posix/fault_restore.hpp"
#include "platform/posix/fd_io.hpp"
#include "platform/posix/scroll_tracking.hpp"
#include "platform/posix/signal_watch.hpp"

namespace maze {
namespace {

constexpr int kMaxScreenSide = 1000;
// Keys waiting beyond this stay in the terminal's own buffer for now, so a
// huge paste costs no memory here.
constexpr std::size_t kMaxQueuedRecords = 1024;
// How long the first draw waits for the terminal to say where its cursor
// is; without an answer the whole screen goes to the scrollback.
constexpr std::int64_t kCursorReportWaitNs = 10'000'000;
constexpr std::int64_t kNsPerMs = 1'000'000;

// The C library's exit hook can only reach the platform through this.
PosixPlatform* g_active = nullptr;

void restoreActiveTerminal() {
  if (g_active) g_active->restoreTerminal();
}

bool sameTerminal(int a, int b) {
  struct stat sa {};
  struct stat sb {};
  return fstat(a, &sa) == 0 && fstat(b, &sb) == 0 && sa.st_rdev == sb.st_rdev;
}

int pollTimeoutMs(std::int64_t ns) {
  if (ns < 0) return -1;
  return static_cast<int>(std::min<std::int64_t>((ns + kNsPerMs - 1) / kNsPerMs, INT_MAX));
}

}  // namespace

PosixPlatform::PosixPlatform()
    : decoder_(isatty(STDIN_FILENO) ? InputDecoder::Source::Terminal
                                    : InputDecoder::Source::Stream) {
  signal_watch::install();
  inputIsTerminal_ = terminalMode_.save(STDIN_FILENO);
  outputIsTerminal_ = isatty(STDOUT_FILENO) != 0;
  fault_restore::install(STDIN_FILENO, terminalMode_.savedSettings(), outputIsTerminal_);
  terminalMode_.enterRaw();
  if (outputIsTerminal_) {
    const TerminalSize size = readTerminalSize(STDOUT_FILENO);
    const int columns = std::min(size.columns, kMaxScreenSide);
    const int rows = std::min(size.rows, kMaxScreenSide);
    screen_ = std::make_unique<ModelConsole>(columns, rows);
    renderer_ = std::make_unique<TerminalRenderer>(columns, rows);
    // Ask now where the terminal's cursor is; the answer is read at the
    // first draw, by when it has long arrived.
    if (inputIsTerminal_ && sameTerminal(STDIN_FILENO, STDOUT_FILENO) &&
        writeAll(STDOUT_FILENO, "\x1b[6n")) {
      decoder_.expectCursorReport();
      awaitingCursorReport_ = true;
      cursorReportDeadline_ = nowNs() + kCursorReportWaitNs;
    }
  }
  static bool hookRegistered = false;
  if (!hookRegistered) hookRegistered = std::atexit(restoreActiveTerminal) == 0;
  g_active = this;
}

PosixPlatform::~PosixPlatform() {
  restoreTerminal();
  signal_watch::uninstall();
  if (g_active == this) g_active = nullptr;
}

std::int64_t PosixPlatform::nowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// --- Handles and modes ---

Handle PosixPlatform::stdHandle(StdHandle which) {
  return which == StdHandle::Input ? kInput : kOutput;
}

bool PosixPlatform::getConsoleMode(Handle h, std::uint32_t& mode) {
  if (h == kInput && inputIsTerminal_) {
    mode = inputMode_;
    return true;
  }
  if (h == kOutput && outputIsTerminal_) {
    mode = outputMode_;
    return true;
  }
  return false;
}

// The mode is kept for whoever reads it back; Ctrl+C interrupts whatever
// it says, as the terminal's signal keys stay on.
bool PosixPlatform::setConsoleMode(Handle h, std::uint32_t mode) {
  if (h == kInput && inputIsTerminal_) {
    inputMode_ = mode;
    return true;
  }
  if (h == kOutput && outputIsTerminal_) {
    outputMode_ = mode;
    return true;
  }
  return false;
}

// --- Screen ---

template <typename Call>
bool PosixPlatform::onScreen(Handle h, Call call) {
  if (!isScreen(h)) return false;
  const int oldTop = screen_->window().top;
  const bool ok = call(*screen_);
  noteWindowMove(oldTop);
  return ok;
}

void PosixPlatform::noteWindowMove(int oldTop) {
  const int moved = screen_->window().top - oldTop;
  if (moved > 0) scrolledRows_ = std::min(scrolledRows_ + moved, kMaxScreenSide);
}

bool PosixPlatform::getScreenBufferInfo(Handle h, ScreenBufferInfo& info) {
  return onScreen(h, [&](ModelConsole& m) { return m.getScreenBufferInfo(kOutput, info); });
}

bool PosixPlatform::fillAttribute(Handle h, std::uint16_t attr, std::uint32_t length, Coord start,
                                  std::uint32_t& written) {
  written = 0;
  return onScreen(
      h, [&](ModelConsole& m) { return m.fillAttribute(kOutput, attr, length, start, written); });
}

bool PosixPlatform::fillCharacter(Handle h, std::uint8_t ch, std::uint32_t length, Coord start,
                                  std::uint32_t& written) {
  written = 0;
  return onScreen(
      h, [&](ModelConsole& m) { return m.fillCharacter(kOutput, ch, length, start, written); });
}

bool PosixPlatform::writeCells(Handle h, const CharCell* cells, Coord cellsSize, Coord cellsOrigin,
                               SmallRect& target) {
  return onScreen(h, [&](ModelConsole& m) {
    return m.writeCells(kOutput, cells, cellsSize, cellsOrigin, target);
  });
}

bool PosixPlatform::scrollRect(Handle h, const SmallRect& scroll, const SmallRect* clip,
                               Coord destination, CharCell fill) {
  if (!isScreen(h)) return false;
  const int rows = windowRowsScrolledUp(*screen_, scroll, clip, destination);
  const bool ok = onScreen(
      h, [&](ModelConsole& m) { return m.scrollRect(kOutput, scroll, clip, destination, fill); });
  if (ok && rows > 0) scrolledRows_ = std::min(scrolledRows_ + rows, kMaxScreenSide);
  return ok;
}

bool PosixPlatform::setCursorPosition(Handle h, Coord position) {
  return onScreen(h, [&](ModelConsole& m) { return m.setCursorPosition(kOutput, position); });
}

bool PosixPlatform::getCursorInfo(Handle h, CursorInfo& info) {
  return onScreen(h, [&](ModelConsole& m) { return m.getCursorInfo(kOutput, info); });
}

bool PosixPlatform::setCursorInfo(Handle h, const CursorInfo& info) {
  return onScreen(h, [&](ModelConsole& m) { return m.setCursorInfo(kOutput, info); });
}

bool PosixPlatform::setWindowInfo(Handle h, bool absolute, const SmallRect& window) {
  return onScreen(h, [&](ModelConsole& m) { return m.setWindowInfo(kOutput, absolute, window); });
}

bool PosixPlatform::writeFile(Handle h, const void* bytes, std::uint32_t length,
                              std::uint32_t& written) {
  written = 0;
  if (h != kOutput) return false;
  if (length == 0) return true;
  const long n = writeOnce(STDOUT_FILENO, bytes, length);
  // Nothing taken counts as a failure, so no caller retries for ever.
  if (n <= 0) return false;
  written = static_cast<std::uint32_t>(n);
  // The console services write raw bytes only when they find no window (a
  // terminal of one row or column): from then on the terminal shows those
  // bytes, and drawing the screen model over them would wipe them out.
  streaming_ = true;
  return true;
}

void PosixPlatform::flushScreen(Handle h) {
  handleSignals();
  if (isScreen(h)) draw();
}

bool PosixPlatform::beep(std::uint32_t, std::uint32_t) {
  // Sent with the next drawing, so each output call stays one write. A
  // file or pipe gets no bell: it would change the bytes written.
  if (screen_) pendingOutput_ += '\a';
  return true;
}

void PosixPlatform::draw() {
  if (!screen_ || streaming_) return;
  if (!drawn_) prepareFirstDraw();
  drawn_ = true;
  renderer_->render(*screen_, scrolledRows_, pendingOutput_);
  scrolledRows_ = 0;
  if (pendingOutput_.empty()) return;
  if (!writeAll(STDOUT_FILENO, pendingOutput_)) renderer_->invalidate();
  pendingOutput_.clear();
}

// The rows above the shell's cursor go into the scrollback, so the game
// starts on a clear screen and what was there before can be scrolled back
// to. Asking the terminal for its cursor keeps blank rows out of the
// scrollback; a terminal that does not answer in time gets its whole
// screen moved up.
void PosixPlatform::prepareFirstDraw() {
  int rows = renderer_->rows();
  if (awaitingCursorReport_) {
    std::optional<CursorReport> report = decoder_.takeCursorReport();
    std::uint8_t buffer[256];
    while (!report && !inputEnded_) {
      const std::int64_t left = cursorReportDeadline_ - nowNs();
      if (left <= 0) break;
      std::size_t length = 0;
      const ReadResult result =
          readWaiting(STDIN_FILENO, buffer, sizeof buffer, pollTimeoutMs(left), length);
      if (result == ReadResult::Data) decoder_.feed(buffer, length, nowNs(), input_);
      if (result == ReadResult::End) endOfInput();
      report = decoder_.takeCursorReport();
    }
    awaitingCursorReport_ = false;
    if (report) rows = report->column > 1 ? report->row : report->row - 1;
  }
  pendingOutput_.insert(0, renderer_->pushIntoScrollback(rows));
}

void PosixPlatform::restoreTerminal() {
  if (restored_) return;
  restored_ = true;
  if (screen_ && drawn_) {
    std::string out;
    out.swap(pendingOutput_);
    renderer_->leave(*screen_, out);
    writeAll(STDOUT_FILENO, out);
  }
  terminalMode_.restore();
}

// The terminal shows the cursor as the console has it before the program
// waits: a hiding that drawing held back is sent now.
void PosixPlatform::settleCursor() {
  if (!screen_ || !drawn_ || streaming_) return;
  std::string out;
  renderer_->settleCursor(*screen_, out);
  if (!out.empty() && !writeAll(STDOUT_FILENO, out)) renderer_->invalidate();
}

// --- Input ---

void PosixPlatform::feedInput(const std::uint8_t* bytes, std::size_t length) {
  decoder_.feed(bytes, length, nowNs(), input_);
  // An answer to the start-up query that came too late is no key.
  if (!awaitingCursorReport_) decoder_.takeCursorReport();
}

void PosixPlatform::endOfInput() {
  inputEnded_ = true;
  decoder_.expire(INT64_MAX, input_);
}

// A file or pipe is read one small chunk at a time, and only when the game
// waits with no key left: taken in bulk, a long script would overflow the
// key buffer and lose its start, where a person at a terminal can only type
// so far ahead.
void PosixPlatform::pumpInput() {
  std::uint8_t buffer[256];
  if (!inputIsTerminal_) {
    std::size_t length = 0;
    if (inputEnded_ || !input_.empty()) return;
    switch (readWaiting(STDIN_FILENO, buffer, sizeof buffer, 0, length)) {
      case ReadResult::Data: feedInput(buffer, length); break;
      case ReadResult::End: endOfInput(); break;
      case ReadResult::Nothing: break;
    }
    return;
  }
  while (!inputEnded_ && input_.size() < kMaxQueuedRecords) {
    std::size_t length = 0;
    switch (readWaiting(STDIN_FILENO, buffer, sizeof buffer, 0, length)) {
      case ReadResult::Data: feedInput(buffer, length); break;
      case ReadResult::End: endOfInput(); return;
      case ReadResult::Nothing:
        // Nothing more is on its way: an ESC that has waited long enough
        // is the Esc key.
        decoder_.expire(nowNs(), input_);
        return;
    }
  }
}

bool PosixPlatform::peekInput(Handle h, InputRecord* records, std::uint32_t count,
                              std::uint32_t& read) {
  read = 0;
  if (h != kInput) return false;
  handleSignals();
  if (input_.empty() && inputIsTerminal_) pumpInput();
  read = takeRecords(input_, records, count, false);
  return true;
}

bool PosixPlatform::readInput(Handle h, InputRecord* records, std::uint32_t count,
                              std::uint32_t& read) {
  read = 0;
  if (h != kInput) return false;
  handleSignals();
  if (input_.empty()) pumpInput();
  while (input_.empty()) waitForInput(h, kInfinite);
  read = takeRecords(input_, records, count, true);
  return true;
}

bool PosixPlatform::waitForInput(Handle, std::uint32_t timeoutMs) {
  handleSignals();
  if (!input_.empty()) return true;
  if (inputEnded_) exitProcess(0);
  settleCursor();
  const bool forever = timeoutMs == kInfinite;
  const std::int64_t end = nowNs() + static_cast<std::int64_t>(timeoutMs) * kNsPerMs;
  for (;;) {
    const std::int64_t now = nowNs();
    std::int64_t waitNs = forever ? -1 : std::max<std::int64_t>(end - now, 0);
    if (const auto due = decoder_.deadline()) {
      const std::int64_t untilDue = std::max<std::int64_t>(*due - now, 0);
      waitNs = waitNs < 0 ? untilDue : std::min(waitNs, untilDue);
    }
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {signal_watch::wakeFd(), POLLIN, 0}};
    const int ready = poll(fds, fds[1].fd >= 0 ? 2 : 1, pollTimeoutMs(waitNs));
    if (ready > 0 && (fds[1].revents & POLLIN)) signal_watch::drain();
    handleSignals();
    // A wait that merely timed out has nothing to read; only a pending ESC
    // may have become the Esc key meanwhile.
    if (ready > 0 && fds[0].revents != 0) {
      pumpInput();
    } else {
      decoder_.expire(nowNs(), input_);
    }
    if (!input_.empty()) return true;
    if (inputEnded_) exitProcess(0);
    if (!forever && nowNs() >= end) return false;
  }
}

// --- Signals and control events ---

bool PosixPlatform::setCtrlHandler(CtrlHandler handler, bool add) {
  return ctrlHandlers_.set(handler, add);
}

bool PosixPlatform::raiseCtrlEvent(std::uint32_t event) { return ctrlHandlers_.raise(event); }

void PosixPlatform::handleSignals() {
  std::uint32_t noted = signal_watch::take();
  if (noted == 0) return;
  // Ctrl+C and Ctrl+\ are the interrupt and break events: a handler may
  // claim them, else the process ends as it would by default.
  if ((noted & signal_watch::kInterrupt) && !raiseCtrlEvent(kCtrlCEvent)) endBySignal(SIGINT);
  if ((noted & signal_watch::kQuit) && !raiseCtrlEvent(kCtrlBreakEvent)) endBySignal(SIGQUIT);
  // A hang-up closes the console, SIGTERM shuts it down: the handlers hear
  // of it, then the process ends whatever they answered.
  if (noted & signal_watch::kHangup) {
    raiseCtrlEvent(kCtrlCloseEvent);
    endBySignal(SIGHUP);
  }
  if (noted & signal_watch::kTerminate) {
    raiseCtrlEvent(kCtrlShutdownEvent);
    endBySignal(SIGTERM);
  }
  if (noted & signal_watch::kStop) {
    suspend();
    noted |= signal_watch::take();
  }
  if (noted & (signal_watch::kStop | signal_watch::kContinue)) {
    resume();
  } else if (noted & signal_watch::kResize) {
    resizeToTerminal();
  }
}

void PosixPlatform::endBySignal(int signo) {
  restoreTerminal();
  signal_watch::dieBy(signo);
}

void PosixPlatform::suspend() {
  restoreTerminal();
  signal_watch::stopProcess();
}

// Back from a stop (or continued after someone else stopped us): the
// terminal may have been used and resized meanwhile.
void PosixPlatform::resume() {
  restored_ = false;
  terminalMode_.enterRaw();
  resizeToTerminal();
}

// Takes on the terminal's size and draws everything afresh. The buffer
// keeps its rows, as the console's does when its window is resized: only
// the window changes, placed so the cursor stays in view, and the rows the
// output may use stay those of the first size.
void PosixPlatform::resizeToTerminal() {
  if (!screen_) return;
  const TerminalSize size = readTerminalSize(STDOUT_FILENO);
  const int columns = std::min(size.columns, kMaxScreenSide);
  const int rows = std::min(size.rows, kMaxScreenSide);
  ModelConsole& m = *screen_;
  const int height = std::max(m.height(), rows);
  m.resizeBuffer(columns, height);
  const int cursorRow = m.cursor().y;
  int top = std::min<int>(m.window().top, height - rows);
  if (cursorRow < top) top = cursorRow;
  if (cursorRow > top + rows - 1) top = cursorRow - rows + 1;
  m.setWindow(SmallRect{0, static_cast<std::int16_t>(top), static_cast<std::int16_t>(columns - 1),
                        static_cast<std::int16_t>(top + rows - 1)});
  renderer_->resize(columns, rows);
  scrolledRows_ = 0;
  if (drawn_) draw();
}

// --- Keyboard layout, time, runtime ---

std::uint32_t PosixPlatform::mapVirtualKey(std::uint32_t code, std::uint32_t mapType) {
  return mapType == kMapVkToChar ? usVirtualKeyToChar(code) : 0;
}

void PosixPlatform::sleep(std::uint32_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * kNsPerMs};
  handleSignals();
  settleCursor();
  while (nanosleep(&left, &left) != 0 && errno == EINTR) handleSignals();
  handleSignals();
}

bool PosixPlatform::queryPerformanceFrequency(std::int64_t& frequency) {
  frequency = 1'000'000'000;
  return true;
}

// The start-up's random draw reads the clock in a tight loop for up to a
// second or two; noting signals here keeps Ctrl+C and the rest prompt then.
bool PosixPlatform::queryPerformanceCounter(std::int64_t& counter) {
  handleSignals();
  counter = nowNs();
  return true;
}

std::uint32_t PosixPlatform::tickCount() { return static_cast<std::uint32_t>(nowNs() / kNsPerMs); }

// Doubles are computed in SSE or NEON registers here, at their own
// precision; only the rounding mode needs setting.
void PosixPlatform::setFloatingPointControl(std::uint32_t, std::uint32_t) {
  std::fesetround(FE_TONEAREST);
}

bool PosixPlatform::atExit(ExitHandler handler) {
  exitHandlers_.add(handler);
  return true;
}

void PosixPlatform::exitProcess(int status) {
  exitHandlers_.runNewestFirst();
  if (drawn_) draw();
  restoreTerminal();
  std::fflush(nullptr);
  _exit(status);
}

}  // namespace maze
