// The console on Linux and macOS. With a terminal behind the standard
// output, an in-memory console of the terminal's size is the screen and is
// drawn to the terminal after every output call; otherwise the output is
// a byte stream. Keys come from a terminal in raw mode, decoded into the
// console's key events, or byte by byte from a file or pipe.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "platform/handler_lists.hpp"
#include "platform/model/model_console.hpp"
#include "platform/platform.hpp"
#include "platform/posix/input_decoder.hpp"
#include "platform/posix/terminal_mode.hpp"
#include "platform/posix/terminal_renderer.hpp"

namespace maze {

class PosixPlatform : public Platform {
 public:
  PosixPlatform();
  ~PosixPlatform() override;
  PosixPlatform(const PosixPlatform&) = delete;
  PosixPlatform& operator=(const PosixPlatform&) = delete;

  Handle stdHandle(StdHandle which) override;
  bool getConsoleMode(Handle h, std::uint32_t& mode) override;
  bool setConsoleMode(Handle h, std::uint32_t mode) override;
  bool getScreenBufferInfo(Handle h, ScreenBufferInfo& info) override;
  bool fillAttribute(Handle h, std::uint16_t attr, std::uint32_t length, Coord start,
                     std::uint32_t& written) override;
  bool fillCharacter(Handle h, std::uint8_t ch, std::uint32_t length, Coord start,
                     std::uint32_t& written) override;
  bool writeCells(Handle h, const CharCell* cells, Coord cellsSize, Coord cellsOrigin,
                  SmallRect& target) override;
  bool scrollRect(Handle h, const SmallRect& scroll, const SmallRect* clip, Coord destination,
                  CharCell fill) override;
  bool setCursorPosition(Handle h, Coord position) override;
  bool getCursorInfo(Handle h, CursorInfo& info) override;
  bool setCursorInfo(Handle h, const CursorInfo& info) override;
  bool setWindowInfo(Handle h, bool absolute, const SmallRect& window) override;
  bool writeFile(Handle h, const void* bytes, std::uint32_t length,
                 std::uint32_t& written) override;
  void flushScreen(Handle h) override;
  bool beep(std::uint32_t frequency, std::uint32_t durationMs) override;
  bool peekInput(Handle h, InputRecord* records, std::uint32_t count, std::uint32_t& read) override;
  bool readInput(Handle h, InputRecord* records, std::uint32_t count, std::uint32_t& read) override;
  bool waitForInput(Handle h, std::uint32_t timeoutMs) override;
  bool setCtrlHandler(CtrlHandler handler, bool add) override;
  std::uint32_t mapVirtualKey(std::uint32_t code, std::uint32_t mapType) override;
  void sleep(std::uint32_t ms) override;
  bool queryPerformanceFrequency(std::int64_t& frequency) override;
  bool queryPerformanceCounter(std::int64_t& counter) override;
  std::uint32_t tickCount() override;
  void setFloatingPointControl(std::uint32_t value, std::uint32_t mask) override;
  bool atExit(ExitHandler handler) override;
  [[noreturn]] void exitProcess(int status) override;

  // Leaves the terminal as the program found it, the last screen kept.
  void restoreTerminal();

 private:
  static constexpr Handle kInput = ModelConsole::kInputHandle;
  static constexpr Handle kOutput = ModelConsole::kOutputHandle;

  bool isScreen(Handle h) const { return screen_ && h == kOutput; }
  // Runs a call on the screen model, noting how far it moved the window's
  // contents up so the terminal can scroll instead of redrawing.
  template <typename Call>
  bool onScreen(Handle h, Call call);
  void noteWindowMove(int oldTop);

  void draw();
  void settleCursor();
  void prepareFirstDraw();
  void pumpInput();
  void feedInput(const std::uint8_t* bytes, std::size_t length);
  void endOfInput();
  void handleSignals();
  void suspend();
  void resume();
  void resizeToTerminal();
  [[noreturn]] void endBySignal(int signo);
  bool raiseCtrlEvent(std::uint32_t event);
  static std::int64_t nowNs();

  bool inputIsTerminal_ = false;
  bool outputIsTerminal_ = false;
  TerminalMode terminalMode_;
  std::unique_ptr<ModelConsole> screen_;
  std::unique_ptr<TerminalRenderer> renderer_;
  std::string pendingOutput_;
  int scrolledRows_ = 0;
  bool drawn_ = false;
  bool streaming_ = false;  // raw bytes are written; the model is not drawn
  bool awaitingCursorReport_ = false;
  std::int64_t cursorReportDeadline_ = 0;
  bool restored_ = false;

  InputDecoder decoder_;
  std::deque<InputRecord> input_;
  bool inputEnded_ = false;
  std::uint32_t inputMode_ = kEnableProcessedInput | 0x2 | 0x4;
  std::uint32_t outputMode_ = 0x3;

  CtrlHandlerList ctrlHandlers_;
  ExitHandlerList exitHandlers_;
};

}  // namespace maze
