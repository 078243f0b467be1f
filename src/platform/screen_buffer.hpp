// The screen calls the console services make: one per Windows console call
// on the output's screen buffer, with the same arguments and success rules.
// A standard output that is a file or a pipe has no screen buffer: every
// call fails, which is how the console services find stream mode.
#pragma once

#include <cstdint>

#include "platform/console_types.hpp"

namespace maze {

class ScreenBuffer {
 public:
  virtual ~ScreenBuffer() = default;

  virtual bool getInfo(ScreenBufferInfo& info) = 0;
  virtual bool fillAttribute(std::uint16_t attr, std::uint32_t length, Coord start,
                             std::uint32_t& written) = 0;
  virtual bool fillCharacter(std::uint8_t ch, std::uint32_t length, Coord start,
                             std::uint32_t& written) = 0;
  // Copies a block of `cells` (cellsSize wide and high, read from
  // cellsOrigin) into `target`, which comes back as the part written.
  virtual bool writeCells(const CharCell* cells, Coord cellsSize, Coord cellsOrigin,
                          SmallRect& target) = 0;
  virtual bool scrollRect(const SmallRect& scroll, const SmallRect* clip, Coord destination,
                          CharCell fill) = 0;
  virtual bool setCursorPosition(Coord position) = 0;
  virtual bool getCursorInfo(CursorInfo& info) = 0;
  virtual bool setCursorInfo(const CursorInfo& info) = 0;
  virtual bool setWindowInfo(bool absolute, const SmallRect& window) = 0;
};

// The output of a program whose standard output is a file or a pipe.
class NoScreenBuffer final : public ScreenBuffer {
 public:
  bool getInfo(ScreenBufferInfo&) override { return false; }
  bool fillAttribute(std::uint16_t, std::uint32_t, Coord, std::uint32_t& written) override {
    written = 0;
    return false;
  }
  bool fillCharacter(std::uint8_t, std::uint32_t, Coord, std::uint32_t& written) override {
    written = 0;
    return false;
  }
  bool writeCells(const CharCell*, Coord, Coord, SmallRect&) override { return false; }
  bool scrollRect(const SmallRect&, const SmallRect*, Coord, CharCell) override { return false; }
  bool setCursorPosition(Coord) override { return false; }
  bool getCursorInfo(CursorInfo&) override { return false; }
  bool setCursorInfo(const CursorInfo&) override { return false; }
  bool setWindowInfo(bool, const SmallRect&) override { return false; }
};

}  // namespace maze
