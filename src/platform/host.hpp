// Everything the console services need from the system besides the screen:
// the standard input and its waiting, console control events, the standard
// output as bytes, the counters, the keyboard layout, the bell, and the
// runtime's floating-point control and exit. Each call mirrors the Windows
// call it stands for, with the same success rules.
//
// Only these calls may end the process: waitForInput, readInput and sleep
// (a terminating signal noted while waiting, or an input that has ended for
// good), writeBytes and flushScreen (a terminating signal noted while the
// output is blocked, or an output whose reader has gone), and exitProcess.
// Only the waits act on other signals (a stop, a resize).
#pragma once

#include <cstdint>

#include "platform/console_types.hpp"

namespace maze {

class Host {
 public:
  virtual ~Host() = default;

  // --- The standard input ---
  // The console input mode; fails when the input is not a console.
  virtual bool getInputMode(std::uint32_t& mode) = 0;
  virtual bool setInputMode(std::uint32_t mode) = 0;
  // Copies waiting records without removing them; never waits.
  virtual bool peekInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) = 0;
  // Removes waiting records, waiting until at least one is there.
  virtual bool readInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) = 0;
  // Blocks until an input record or a control event is waiting, or until
  // timeoutMs (kInfinite: no limit) has passed; true when something waits.
  // When the input has ended for good and nothing waits, the process ends
  // with status 0: no key can ever come.
  virtual bool waitForInput(std::uint32_t timeoutMs) = 0;
  virtual bool setCtrlHandler(CtrlHandler handler, bool add) = 0;
  // The keyboard layout query (MapVirtualKey).
  virtual std::uint32_t mapVirtualKey(std::uint32_t code, std::uint32_t mapType) = 0;

  // --- The standard output ---
  // Raw bytes (WriteFile); `written` tells how many were taken.
  virtual bool writeBytes(const void* bytes, std::uint32_t length, std::uint32_t& written) = 0;
  // Marks the end of one output operation of the console services: a host
  // that shows the screen buffer elsewhere shows what changed now, so the
  // output has been seen when the operation returns.
  virtual void flushScreen() = 0;
  virtual bool beep(std::uint32_t frequency, std::uint32_t durationMs) = 0;

  // --- Time ---
  virtual void sleep(std::uint32_t ms) = 0;
  virtual bool queryPerformanceFrequency(std::int64_t& frequency) = 0;
  virtual bool queryPerformanceCounter(std::int64_t& counter) = 0;
  virtual std::uint32_t tickCount() = 0;

  // --- Runtime library ---
  virtual void setFloatingPointControl(std::uint32_t value, std::uint32_t mask) = 0;
  virtual bool atExit(ExitHandler handler) = 0;
  // Runs the at-exit handlers newest first, then ends the process.
  [[noreturn]] virtual void exitProcess(int status) = 0;
};

}  // namespace maze
