// The standard output's screen buffer on the Windows console: each call is
// the kernel32 call it is named after. An output that is a file or a pipe
// has no screen buffer, so the console itself fails every call.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/screen_buffer.hpp"

namespace maze {

class Win32Screen final : public ScreenBuffer {
 public:
  // The standard output as it is at construction; the tests name a buffer
  // of their own.
  explicit Win32Screen(HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE)) : output_(output) {}

  bool getInfo(ScreenBufferInfo& info) override;
  bool fillAttribute(std::uint16_t attr, std::uint32_t length, Coord start,
                     std::uint32_t& written) override;
  bool fillCharacter(std::uint8_t ch, std::uint32_t length, Coord start,
                     std::uint32_t& written) override;
  bool writeCells(const CharCell* cells, Coord cellsSize, Coord cellsOrigin,
                  SmallRect& target) override;
  bool scrollRect(const SmallRect& scroll, const SmallRect* clip, Coord destination,
                  CharCell fill) override;
  bool setCursorPosition(Coord position) override;
  bool getCursorInfo(CursorInfo& info) override;
  bool setCursorInfo(const CursorInfo& info) override;
  bool setWindowInfo(bool absolute, const SmallRect& window) override;

 private:
  HANDLE output_;
  std::vector<CHAR_INFO> cellScratch_;
};

}  // namespace maze
