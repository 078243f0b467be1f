#include "platform/posix/terminal_input.hpp"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>

#include "platform/posix/fd_io.hpp"

namespace maze {
namespace {

constexpr std::size_t kChunkBytes = 256;
// Keys waiting beyond this stay in the terminal's own buffer for now, so a
// huge paste costs no memory here.
constexpr std::size_t kMaxQueuedRecords = 1024;

int pollTimeoutMs(std::int64_t ns) {
  if (ns < 0) return -1;
  return static_cast<int>(std::min<std::int64_t>((ns + kNsPerMs - 1) / kNsPerMs, INT_MAX));
}

}  // namespace

std::int64_t monotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

TerminalInput::TerminalInput(int fd, bool decodeSequences, const KeyCharset* charset)
    : fd_(fd),
      isTerminal_(isatty(fd) != 0),
      decoder_(isTerminal_ && decodeSequences ? InputDecoder::Source::Terminal
                                              : InputDecoder::Source::Stream,
               charset) {}

void TerminalInput::feed(const std::uint8_t* bytes, std::size_t length) {
  decoder_.feed(bytes, length, monotonicNs(), records_);
  // An answer to the start-up query that came too late is no key.
  if (!awaitingReport_) decoder_.takeCursorReport();
}

void TerminalInput::end() {
  ended_ = true;
  decoder_.expire(INT64_MAX, records_);
}

void TerminalInput::pump() {
  std::uint8_t buffer[kChunkBytes];
  if (!isTerminal_) {
    std::size_t length = 0;
    if (ended_ || !records_.empty()) return;
    switch (readWaiting(fd_, buffer, sizeof buffer, 0, length)) {
      case ReadResult::Data: feed(buffer, length); break;
      case ReadResult::End: end(); break;
      case ReadResult::Nothing: break;
    }
    return;
  }
  while (!ended_ && records_.size() < kMaxQueuedRecords) {
    std::size_t length = 0;
    switch (readWaiting(fd_, buffer, sizeof buffer, 0, length)) {
      case ReadResult::Data: feed(buffer, length); break;
      case ReadResult::End: end(); return;
      case ReadResult::Nothing:
        // Nothing more is on its way: an ESC that has waited long enough
        // is the Esc key.
        decoder_.expire(monotonicNs(), records_);
        return;
    }
  }
}

bool TerminalInput::waitOnce(std::int64_t deadlineNs, int wakeFd, int outputFd) {
  const std::int64_t now = monotonicNs();
  std::int64_t waitNs = deadlineNs < 0 ? -1 : std::max<std::int64_t>(deadlineNs - now, 0);
  if (const auto due = decoder_.deadline()) {
    const std::int64_t untilDue = std::max<std::int64_t>(*due - now, 0);
    waitNs = waitNs < 0 ? untilDue : std::min(waitNs, untilDue);
  }
  // The output is watched for errors alone: a pipe's writing end reports
  // one when its reader has gone, a socket a hang-up when its peer has.
  pollfd fds[3] = {{fd_, POLLIN, 0}, {wakeFd, POLLIN, 0}, {outputFd, 0, 0}};
  const int ready = poll(fds, 3, pollTimeoutMs(waitNs));
  outputGone_ = (fds[2].revents & (POLLERR | POLLHUP)) != 0;
  // A wait that merely timed out has nothing to read; only a pending ESC
  // may have become the Esc key meanwhile.
  if (ready > 0 && fds[0].revents != 0) {
    pump();
  } else {
    decoder_.expire(monotonicNs(), records_);
  }
  return ready != 0 || !records_.empty() || deadlineNs < 0 || monotonicNs() < deadlineNs;
}

void TerminalInput::expectCursorReport(std::int64_t waitNs, std::int64_t lateNs, int wakeFd) {
  const std::int64_t now = monotonicNs();
  decoder_.expectCursorReport(now + lateNs);
  awaitingReport_ = true;
  reportDeadlineNs_ = now + waitNs;
  wakeFd_ = wakeFd;
}

std::optional<CursorReport> TerminalInput::awaitCursorReport() {
  if (!awaitingReport_) return std::nullopt;
  std::optional<CursorReport> report = decoder_.takeCursorReport();
  std::uint8_t buffer[kChunkBytes];
  // However late the first draw comes, what has arrived by then is read:
  // the deadline is the reply's, counted from the query. A signal is not
  // kept waiting for it.
  while (!report && !ended_) {
    const std::int64_t left = std::max<std::int64_t>(reportDeadlineNs_ - monotonicNs(), 0);
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    const int ready = poll(fds, 2, pollTimeoutMs(left));
    if ((ready == 0 && left == 0) || fds[1].revents != 0) break;
    std::size_t length = 0;
    const ReadResult result =
        ready > 0 ? readWaiting(fd_, buffer, sizeof buffer, 0, length) : ReadResult::Nothing;
    if (result == ReadResult::Data) decoder_.feed(buffer, length, monotonicNs(), records_);
    if (result == ReadResult::End) end();
    report = decoder_.takeCursorReport();
  }
  awaitingReport_ = false;
  return report;
}

}  // namespace maze
