// The native Windows host: each call goes straight to the console, counter
// or runtime call it is named after. A standard input that is not a
// console is read as bytes and served as key events.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/host.hpp"
#include "platform/win32/stream_input.hpp"

namespace maze {

class Win32Host final : public Host {
 public:
  // The standard handles as they are at construction; the tests name
  // others.
  explicit Win32Host(HANDLE input = GetStdHandle(STD_INPUT_HANDLE),
                     HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE));

  bool getInputMode(std::uint32_t& mode) override;
  bool setInputMode(std::uint32_t mode) override;
  bool peekInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) override;
  bool readInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) override;
  bool waitForInput(std::uint32_t timeoutMs) override;
  bool setCtrlHandler(CtrlHandler handler, bool add) override;
  std::uint32_t mapVirtualKey(std::uint32_t code, std::uint32_t mapType) override;
  bool writeBytes(const void* bytes, std::uint32_t length, std::uint32_t& written) override;
  void flushScreen() override;
  bool beep(std::uint32_t frequency, std::uint32_t durationMs) override;
  void sleep(std::uint32_t ms) override;
  bool queryPerformanceFrequency(std::int64_t& frequency) override;
  bool queryPerformanceCounter(std::int64_t& counter) override;
  std::uint32_t tickCount() override;
  void setFloatingPointControl(std::uint32_t value, std::uint32_t mask) override;
  bool atExit(ExitHandler handler) override;
  [[noreturn]] void exitProcess(int status) override;

 private:
  bool readConsoleRecords(InputRecord* records, std::uint32_t count, std::uint32_t& read,
                          bool remove);

  HANDLE input_;
  HANDLE output_;
  // Set when the input is a pipe or a file (or missing).
  std::unique_ptr<win32::StreamInput> streamInput_;
  std::vector<INPUT_RECORD> inputScratch_;
};

}  // namespace maze
