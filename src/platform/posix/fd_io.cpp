#include "platform/posix/fd_io.hpp"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace maze {
namespace {

constexpr int kMaxStalls = 20;
constexpr int kStallWaitMs = 100;
// A terminal that is being read makes room within this.
constexpr int kRoomWaitMs = 20;

}  // namespace

long writeOnce(int fd, const void* bytes, std::size_t length, WriteWatcher* watcher) {
  for (int stalls = 0;;) {
    if (watcher) watcher->beforeWrite();
    const ssize_t n = write(fd, bytes, length);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    if (errno == EPIPE && watcher) watcher->readerGone();
    // A non-blocking output that is full: wait a little for room.
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && ++stalls <= kMaxStalls) {
      pollfd p{fd, POLLOUT, 0};
      poll(&p, 1, kStallWaitMs);
      continue;
    }
    return -1;
  }
}

bool writeAll(int fd, std::string_view bytes, WriteWatcher* watcher) {
  while (!bytes.empty()) {
    const long n = writeOnce(fd, bytes.data(), bytes.size(), watcher);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void writeIfRoom(int fd, std::string_view bytes) {
  pollfd p{fd, POLLOUT, 0};
  if (bytes.empty() || poll(&p, 1, kRoomWaitMs) != 1 || (p.revents & POLLOUT) == 0) return;
  [[maybe_unused]] const ssize_t ignored = write(fd, bytes.data(), bytes.size());
}

void openClosedStandardFds() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is this one, as those below it are open.
    const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      dup2(opened, fd);
      close(opened);
    }
  }
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
