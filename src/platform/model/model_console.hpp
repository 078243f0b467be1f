// An in-memory console that keeps the Windows console's rules call by call:
// a screen buffer of cells with a window over a band of its rows, a cursor,
// a current attribute, an input event queue, a settable clock, recorded
// beeps and an exit a test can catch. It is the tests' console and the
// screen the terminal backend draws.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/handler_lists.hpp"
#include "platform/platform.hpp"

namespace maze {

// Thrown by the model's exitProcess, after the at-exit handlers have run.
struct ProcessExit {
  int status = 0;
};

// Thrown when the game waits, without limit, for input a test never gives.
struct InputStarved {};

class ModelConsole : public Platform {
 public:
  static constexpr Handle kInputHandle = 1;
  static constexpr Handle kOutputHandle = 2;
  static constexpr std::int64_t kCounterFrequency = 10'000'000;

  // A buffer `width` x `height` with a window over its top `windowHeight`
  // rows (0: as tall as the buffer).
  explicit ModelConsole(int width = 80, int height = 25, int windowHeight = 0);

  // --- Platform ---
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

  // --- Screen, for tests and the terminal backend ---
  int width() const { return width_; }
  int height() const { return height_; }
  const SmallRect& window() const { return window_; }
  Coord cursor() const { return cursor_; }
  bool cursorVisible() const { return cursorInfo_.visible; }
  std::uint16_t attribute() const { return attribute_; }
  void setAttribute(std::uint16_t attr) { attribute_ = attr; }
  const CharCell& cell(int x, int y) const;
  // Row y's characters, trailing blanks removed unless `keepTrailing`.
  std::string rowText(int y, bool keepTrailing = false) const;
  // The window's rows, each as rowText, joined with '\n'.
  std::string windowText() const;
  // Writes text straight into the cells from (x, y), for setting up tests.
  void putText(int x, int y, const std::string& text);
  // Changes the buffer's size, keeping the cells that still fit; the window
  // and cursor are pulled inside.
  void resizeBuffer(int width, int height);
  // Moves or resizes the window as a user would, without checks on callers.
  void setWindow(const SmallRect& window);
  void placeCursor(Coord position) { cursor_ = position; }

  // --- Output handle kind ---
  // false: the standard output is a file or pipe (stream mode); what is
  // written to it collects in streamOutput().
  void setOutputIsConsole(bool console) { outputIsConsole_ = console; }
  void setInputIsConsole(bool console) { inputIsConsole_ = console; }
  const std::string& streamOutput() const { return streamOutput_; }
  // Faults to inject: calls that fail from now on (< 0: for ever).
  int failScreenInfoCalls = 0;
  int failWriteCellsCalls = 0;
  int failWriteFileCalls = 0;
  // Largest number of bytes one writeFile takes (< 0: no limit; 0: none).
  int writeFileLimit = -1;
  bool performanceCounterAvailable = true;

  // --- Input ---
  void pushInput(const InputRecord& record) { input_.push_back(record); }
  void pushKey(const KeyEventRecord& key);  // as a press, then its release
  // Types each byte as a US keyboard would (press and release; Shift or
  // Ctrl held where the character needs it).
  void typeText(const std::string& text);
  void pushVirtualKey(std::uint16_t virtualKey, std::uint32_t controlKeyState = 0);
  std::size_t pendingInput() const { return input_.size(); }
  // After this, a wait on an empty queue ends the process with status 0.
  void endInput() { inputEnded_ = true; }
  // Called when the game waits on an empty queue; it may push input, move
  // the clock or end the input.
  std::function<void(ModelConsole&)> onIdle;
  // Raises a control event the way the system does: handlers newest first,
  // until one returns true. Returns whether one did.
  bool raiseCtrlEvent(std::uint32_t event);
  std::size_t ctrlHandlerCount() const { return ctrlHandlers_.size(); }

  // --- Clock ---
  double seconds() const { return static_cast<double>(counter_) / kCounterFrequency; }
  void setSeconds(double seconds);
  void advanceMs(double ms);

  // --- Records ---
  struct Beep {
    std::uint32_t frequency;
    std::uint32_t durationMs;
  };
  const std::vector<Beep>& beeps() const { return beeps_; }
  std::uint32_t inputMode() const { return inputMode_; }
  std::uint32_t fpControl() const { return fpControl_; }
  std::uint64_t sleptMs() const { return sleptMs_; }
  std::uint64_t flushCount() const { return flushes_; }
  // Called on every beep, with the console as it is at that moment.
  std::function<void(const ModelConsole&)> onBeep;

 private:
  bool isOutput(Handle h) const { return h == kOutputHandle && outputIsConsole_; }
  bool isInput(Handle h) const { return h == kInputHandle && inputIsConsole_; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  CharCell& at(int x, int y) { return cells_[static_cast<std::size_t>(y) * width_ + x]; }
  bool consumeFault(int& counter);
  template <typename SetCell>
  bool fillRun(Handle h, std::uint32_t length, Coord start, std::uint32_t& written,
               SetCell setCell);
  void showCursorInWindow();

  int width_;
  int height_;
  std::vector<CharCell> cells_;
  SmallRect window_;
  Coord cursor_;
  CursorInfo cursorInfo_;
  std::uint16_t attribute_ = 7;

  bool outputIsConsole_ = true;
  bool inputIsConsole_ = true;
  std::string streamOutput_;
  std::uint32_t inputMode_ = 0x1F7;  // the console's usual default
  std::uint32_t outputMode_ = 0x3;

  std::deque<InputRecord> input_;
  bool inputEnded_ = false;
  int emptyWaits_ = 0;
  CtrlHandlerList ctrlHandlers_;
  ExitHandlerList exitHandlers_;

  std::int64_t counter_ = kCounterFrequency * 1000;  // an arbitrary origin
  std::vector<Beep> beeps_;
  std::uint32_t fpControl_ = 0x9001F;
  std::uint64_t sleptMs_ = 0;
  std::uint64_t flushes_ = 0;
};

}  // namespace maze
