// A standard input that is a pipe or a file, served as key events. A pipe
// cannot be polled without blocking everywhere (wine's pipes refuse both a
// peek and a wait), so a reader thread collects its bytes as they come.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "platform/byte_keys.hpp"
#include "platform/console_types.hpp"

namespace maze::win32 {

class StreamInput {
 public:
  // A null source is an input that has already ended.
  explicit StreamInput(HANDLE source);

  // Copies up to `count` waiting records into `records`, removing them when
  // `remove` is set; returns how many.
  std::uint32_t take(InputRecord* records, std::uint32_t count, bool remove);

  enum class Wait { Ready, Signalled, TimedOut, Ended };
  // Waits for a record, for `signal` (may be null) or for the timeout.
  // Ended: the source is exhausted and every record has been taken.
  Wait wait(HANDLE signal, std::uint32_t timeoutMs);

 private:
  struct Shared;
  static DWORD WINAPI readerMain(LPVOID parameter);
  void start();
  void collect();

  static constexpr std::size_t kChunkBytes = 256;

  HANDLE source_;
  std::shared_ptr<Shared> shared_;
  std::string pending_;  // taken from the reader; decoded up to pendingOffset_
  std::size_t pendingOffset_ = 0;
  maze::ByteKeyDecoder decoder_;
  std::deque<InputRecord> records_;
  bool ended_ = false;
};

}  // namespace maze::win32
