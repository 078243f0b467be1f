#include "platform/posix/fd_io.hpp"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace maze {
namespace {

constexpr int kMaxStalls = 20;
constexpr int kStallWaitMs = 100;

}  // namespace

long writeOnce(int fd, const void* bytes, std::size_t length) {
  for (int stalls = 0;;) {
    const ssize_t n = write(fd, bytes, length);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    // A non-blocking output that is full: wait a little for room.
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && ++stalls <= kMaxStalls) {
      pollfd p{fd, POLLOUT, 0};
      poll(&p, 1, kStallWaitMs);
      continue;
    }
    return -1;
  }
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const long n = writeOnce(fd, bytes.data(), bytes.size());
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

ReadResult readWaiting(int fd, std::uint8_t* buffer, std::size_t capacity, int timeoutMs,
                       std::size_t& length) {
  length = 0;
  pollfd p{fd, POLLIN, 0};
  int ready;
  do {
    ready = poll(&p, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR && timeoutMs == 0);
  if (ready <= 0) return ReadResult::Nothing;
  if (p.revents & POLLNVAL) return ReadResult::End;
  // Readable (or hung up, where read tells the rest): this read cannot block.
  for (;;) {
    const ssize_t n = read(fd, buffer, capacity);
    if (n > 0) {
      length = static_cast<std::size_t>(n);
      return ReadResult::Data;
    }
    if (n == 0) return ReadResult::End;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return ReadResult::Nothing;
    return ReadResult::End;
  }
}

}  // namespace maze
