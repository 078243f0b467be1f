// The keys typed into the page's terminal: the bytes xterm sends, exactly
// those a terminal in raw mode sends, decoded into the console's key events
// by the same decoder. Records queue here until the console services take
// them.
#pragma once

#include <cstdint>
#include <deque>

#include "platform/console_types.hpp"
#include "platform/terminal/input_decoder.hpp"

namespace maze {

class WebInput {
 public:
  std::deque<InputRecord>& records() { return records_; }

  // Takes what has been typed, without waiting; an ESC that nothing has
  // followed for long enough becomes the Esc key.
  void pump();
  // Gives the browser its thread until something is typed, `deadlineNs`
  // passes (< 0: no limit) or a pending ESC's time is up, then pumps.
  void waitOnce(std::int64_t deadlineNs);

 private:
  InputDecoder decoder_{InputDecoder::Source::Terminal};
  std::deque<InputRecord> records_;
};

}  // namespace maze
