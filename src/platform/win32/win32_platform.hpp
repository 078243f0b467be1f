// The native Windows backend: every platform call goes straight to the
// console, counter or runtime call it is named after. A standard input that
// is not a console is read as bytes and served as key events.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/platform.hpp"
#include "platform/win32/stream_input.hpp"

namespace maze {

class Win32Platform : public Platform {
 public:
  Win32Platform();

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

 private:
  // The standard input when it is a pipe or a file (or missing).
  bool isStreamInput(Handle h) const { return streamInput_ && h == stdInput_; }
  bool readConsoleRecords(Handle h, InputRecord* records, std::uint32_t count, std::uint32_t& read,
                          bool remove);

  Handle stdInput_;
  std::unique_ptr<win32::StreamInput> streamInput_;
  std::vector<CHAR_INFO> cellScratch_;
  std::vector<INPUT_RECORD> inputScratch_;
};

}  // namespace maze
