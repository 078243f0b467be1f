// Reading and writing file descriptors the way the backend needs it:
// writes that survive signals and partial writes but give up on a dead
// output, and reads that never block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace maze {

// Whoever owns the process hears from a write what only it can act on;
// either call may end the process.
class WriteWatcher {
 public:
  // Before every attempt: signals noted meanwhile (one that interrupted a
  // blocked write among them) are not left waiting behind the output.
  virtual void beforeWrite() = 0;
  // The output's reader has gone (EPIPE): no byte can ever be written.
  virtual void readerGone() = 0;

 protected:
  ~WriteWatcher() = default;
};

// Writes everything, retrying after signals and partial writes; false
// when the output fails, or stalls or takes nothing time after time.
bool writeAll(int fd, std::string_view bytes, WriteWatcher* watcher = nullptr);

// One write, retried only when a signal interrupted it; -1 on failure.
long writeOnce(int fd, const void* bytes, std::size_t length, WriteWatcher* watcher = nullptr);

// One write only if the output has room now or within moments: for the
// last words of a process that must not wait on an output nobody reads.
// Safe in a signal handler.
void writeIfRoom(int fd, std::string_view bytes);

// Descriptors 0 to 2 that are closed are opened on /dev/null, so the first
// descriptor the program opens never stands in for one of them: a closed
// input is then an ended one, a closed output a discarded one.
void openClosedStandardFds();

enum class ReadResult { Data, Nothing, End };

// Reads what is waiting on `fd` without blocking, waiting up to
// `timeoutMs` for it to arrive (0: not at all). `length` gets the count.
ReadResult readWaiting(int fd, std::uint8_t* buffer, std::size_t capacity, int timeoutMs,
                       std::size_t& length);

}  // namespace maze
