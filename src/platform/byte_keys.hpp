// Turns the bytes of a standard input that is a pipe or a file into the
// key events a console would have delivered: each byte is typed on a US
// keyboard, and LF, CR or CR LF is one press of Enter.
#pragma once

#include <cstdint>
#include <deque>

#include "platform/console_types.hpp"

namespace maze {

class ByteKeyDecoder {
 public:
  // Appends the press and release of the key the byte stands for.
  void feed(std::uint8_t byte, std::deque<InputRecord>& out);

 private:
  bool afterCarriageReturn_ = false;
};

}  // namespace maze
