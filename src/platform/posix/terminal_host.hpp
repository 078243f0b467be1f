// The host on Linux and macOS. Keys come from a terminal in raw mode,
// decoded into the console's key events, or byte by byte from a file, a
// pipe or a dumb terminal. With a terminal (not a dumb one) behind the
// standard output, an in-memory screen of the terminal's size is the screen
// buffer, shown on the terminal after every output call; otherwise the
// output is a byte stream. Signals are noted by their handlers and acted on
// where the host waits or writes.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/posix/fd_io.hpp"
#include "platform/posix/keyboard_modes.hpp"
#include "platform/posix/locale_charset.hpp"
#include "platform/posix/terminal_display.hpp"
#include "platform/posix/terminal_input.hpp"
#include "platform/posix/terminal_mode.hpp"
#include "platform/queued_input_host.hpp"
#include "platform/screen_buffer.hpp"

namespace maze {

class TerminalHost final : public QueuedInputHost, private WriteWatcher {
 public:
  // Started in the background, this waits until its job is brought to the
  // foreground: until then the terminal is not touched.
  TerminalHost();
  ~TerminalHost() override;
  TerminalHost(const TerminalHost&) = delete;
  TerminalHost& operator=(const TerminalHost&) = delete;

  // Stream mode, decided here at the start: the standard output is a file,
  // a pipe or a terminal that cannot place its cursor as an ANSI terminal
  // does (TERM=dumb or vt52, TERM unset or unknown to the terminal
  // database), or a terminal too small to hold a window (one row or one
  // column). Its bytes then go out unchanged and
  // there is no screen.
  bool streaming() const { return !display_; }
  // The screen buffer of the standard output.
  ScreenBuffer& screen();

  bool waitForInput(std::uint32_t timeoutMs) override;
  bool writeBytes(const void* bytes, std::uint32_t length, std::uint32_t& written) override;
  void flushScreen() override;
  bool beep(std::uint32_t frequency, std::uint32_t durationMs) override;
  void sleep(std::uint32_t ms) override;
  bool queryPerformanceFrequency(std::int64_t& frequency) override;
  bool queryPerformanceCounter(std::int64_t& counter) override;
  std::uint32_t tickCount() override;
  void setFloatingPointControl(std::uint32_t value, std::uint32_t mask) override;
  [[noreturn]] void exitProcess(int status) override;

  // Leaves the terminal as the program found it, the last screen kept.
  void restoreTerminal();

 private:
  std::deque<InputRecord>& inputQueue() override { return input_.records(); }
  void pumpInput(Taking taking) override;
  // Ctrl+C interrupts whatever the input mode says, as the terminal's
  // signal keys stay on.
  bool consoleInput() const override { return input_.isTerminal(); }

  // Runs before any member below opens a descriptor.
  struct StandardFds {
    StandardFds() { openClosedStandardFds(); }
  };

  // Acts on the signals noted since the last call; true when a control
  // handler took the event one of them stands for.
  bool actOnSignals();
  // Interrupt, quit, hang-up and terminate among `noted`: the process ends
  // unless a handler claims an interrupt or quit (then true).
  bool actOnEnding(std::uint32_t noted);
  [[noreturn]] void endBySignal(int signo);
  // The terminal as it was; the screen's last words wait for room on the
  // output only when `waitForRoom`.
  void handBack(bool waitForRoom);
  void awaitForeground();
  void takeTerminal();
  void suspend();
  void resume();
  void beforeWaiting();
  // Keypad transmit and xterm's Alt, on while the terminal is ours.
  void enterKeyboardModes();
  // Unless `waitForRoom`, only as far as the output takes them at once.
  void leaveKeyboardModes(bool waitForRoom);
  void beforeWrite() override;
  [[noreturn]] void readerGone() override;
  [[noreturn]] void hungUp();

  StandardFds standardFds_;
  LocaleCharset charset_;
  TerminalEntry terminal_;
  bool dumb_;
  TerminalMode mode_;
  TerminalInput input_;
  // The terminal whose foreground the program needs; -1: none.
  int terminalFd_;
  // The standard output is a pipe or socket, whose reader may go.
  bool outputMayBreak_;
  KeyboardModes keyboard_;
  std::unique_ptr<TerminalDisplay> display_;
  NoScreenBuffer noScreen_;
  bool restored_ = false;
  // A handler claimed an event while output was being written.
  bool claimed_ = false;
  // The process was stopped and continued while output was being written.
  bool stoppedInWrite_ = false;
};

}  // namespace maze
