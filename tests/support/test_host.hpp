// A host for the tests: scripted input, a clock that moves only when told
// (or when the program sleeps or waits), recorded beeps and byte output,
// injected write faults, and an exit that a test can catch.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/queued_input_host.hpp"

namespace maze {

// Thrown by exitProcess, after the at-exit handlers have run.
struct ProcessExit {
  int status = 0;
};

// Thrown when the program waits, without limit, for input a test never gives.
struct InputStarved {};

class TestHost : public QueuedInputHost {
 public:
  static constexpr std::int64_t kCounterFrequency = 10'000'000;

  TestHost() : QueuedInputHost(0x1F7) {}  // the console's usual input mode

  bool peekInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) override;
  bool readInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) override;
  bool waitForInput(std::uint32_t timeoutMs) override;
  bool writeBytes(const void* bytes, std::uint32_t length, std::uint32_t& written) override;
  void flushScreen() override { ++flushes_; }
  bool beep(std::uint32_t frequency, std::uint32_t durationMs) override;
  void sleep(std::uint32_t ms) override;
  bool queryPerformanceFrequency(std::int64_t& frequency) override;
  bool queryPerformanceCounter(std::int64_t& counter) override;
  std::uint32_t tickCount() override;
  void setFloatingPointControl(std::uint32_t value, std::uint32_t mask) override;
  [[noreturn]] void exitProcess(int status) override;

  // --- Input ---
  // false: the standard input is a file or a pipe (no input mode), whose
  // end ends the program when nothing waits.
  bool inputIsConsole = true;
  void pushInput(const InputRecord& record) { input_.push_back(record); }
  void pushKey(const KeyEventRecord& key);  // as a press, then its release
  // Types each byte as a US keyboard would (press and release; Shift or
  // Ctrl held where the character needs it).
  void typeText(const std::string& text);
  void pushVirtualKey(std::uint16_t virtualKey, std::uint32_t controlKeyState = 0);
  std::size_t pendingInput() const { return input_.size(); }
  // After this, a wait on an empty queue ends the process with status 0.
  void endInput() { inputEnded_ = true; }
  // Called when the program waits on an empty queue; it may push input,
  // move the clock or end the input.
  std::function<void()> onIdle;
  // Raises a control event the way the system does: handlers newest first,
  // until one returns true. Returns whether one did.
  bool raiseCtrlEvent(std::uint32_t event) { return ctrlHandlers_.raise(event); }
  std::size_t ctrlHandlerCount() const { return ctrlHandlers_.size(); }
  std::uint32_t inputMode() const { return inputMode_; }
  // The timeout of the latest wait for input.
  std::uint32_t lastWaitMs() const { return lastWaitMs_; }

  // --- Output ---
  const std::string& streamOutput() const { return streamOutput_; }
  // writeBytes calls that fail from now on (< 0: for ever).
  int failWriteCalls = 0;
  // Largest number of bytes one writeBytes takes (< 0: no limit; 0: none).
  int writeLimit = -1;
  std::uint64_t flushCount() const { return flushes_; }
  struct Beep {
    std::uint32_t frequency;
    std::uint32_t durationMs;
  };
  const std::vector<Beep>& beeps() const { return beeps_; }
  std::function<void()> onBeep;

  // --- Clock ---
  bool performanceCounterAvailable = true;
  // Moves the clock on at every reading, for code that watches the clock
  // without waiting.
  double msPerClockReading = 0;
  double seconds() const { return static_cast<double>(counter_) / kCounterFrequency; }
  void setSeconds(double seconds);
  void advanceMs(double ms);
  std::uint64_t sleptMs() const { return sleptMs_; }

  std::uint32_t fpControl() const { return fpControl_; }

 private:
  std::deque<InputRecord>& inputQueue() override { return input_; }
  void pumpInput(Taking) override {}
  bool consoleInput() const override { return inputIsConsole; }

  std::deque<InputRecord> input_;
  bool inputEnded_ = false;
  int emptyWaits_ = 0;
  std::uint32_t lastWaitMs_ = 0;
  std::string streamOutput_;
  std::uint64_t flushes_ = 0;
  std::vector<Beep> beeps_;
  std::int64_t counter_ = kCounterFrequency * 1000;  // an arbitrary origin
  std::uint64_t sleptMs_ = 0;
  std::uint32_t fpControl_ = 0x9001F;
};

}  // namespace maze
