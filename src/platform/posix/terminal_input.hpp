// The standard input on a POSIX system: a terminal in raw mode, whose bytes
// are decoded into the console's key events, or a file, a pipe or a dumb
// terminal, whose bytes are keys one by one. Records queue here until the
// console services take them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "platform/console_types.hpp"
#include "platform/terminal/input_decoder.hpp"

namespace maze {

std::int64_t monotonicNs();

class TerminalInput {
 public:
  // `decodeSequences`: a terminal's escape sequences are keys (not so on a
  // dumb terminal); `charset`: the set it types in, when not UTF-8.
  TerminalInput(int fd, bool decodeSequences, const KeyCharset* charset);

  bool isTerminal() const { return isTerminal_; }
  // No byte can come any more, and every key read has been queued.
  bool ended() const { return ended_; }
  std::deque<InputRecord>& records() { return records_; }

  // Takes what is waiting, without blocking. A file or pipe is read one
  // small chunk at a time, and only when no key is left: taken in bulk, a
  // long script would overflow the key buffer and lose its start, where a
  // person at a terminal can only type so far ahead.
  void pump();
  // Blocks until bytes arrive (and are taken), the input ends, `wakeFd`
  // becomes readable, the reader of `outputFd` goes or `deadlineNs` passes
  // (< 0: no limit); an ESC that waits to see what follows ends the wait
  // when its time is up. False when it returned for the deadline alone.
  // Negative descriptors are not watched.
  bool waitOnce(std::int64_t deadlineNs, int wakeFd, int outputFd);
  // The last wait found the reader of its `outputFd` gone.
  bool outputGone() const { return outputGone_; }

  // The terminal's answer to a cursor position query sent now is awaited
  // for `waitNs` from now, and is no key for `lateNs`: a late one is
  // dropped when it comes. A signal that wakes `wakeFd` ends the wait.
  void expectCursorReport(std::int64_t waitNs, std::int64_t lateNs, int wakeFd);
  // That answer, read as it arrives up to its deadline.
  std::optional<CursorReport> awaitCursorReport();

 private:
  void feed(const std::uint8_t* bytes, std::size_t length);
  void end();

  int fd_;
  bool isTerminal_;
  InputDecoder decoder_;
  std::deque<InputRecord> records_;
  bool ended_ = false;
  bool outputGone_ = false;
  bool awaitingReport_ = false;
  std::int64_t reportDeadlineNs_ = 0;
  int wakeFd_ = -1;
};

}  // namespace maze
