#include "platform/web/web_input.hpp"

#include <algorithm>

#include "platform/web/page_bridge.hpp"

namespace maze {
namespace {

constexpr std::size_t kChunkBytes = 256;
// Keys beyond this stay with the page for now, as a terminal's own buffer
// keeps them, so a huge paste costs the program no memory.
constexpr std::size_t kMaxQueuedRecords = 1024;

}  // namespace

void WebInput::pump() {
  std::uint8_t buffer[kChunkBytes];
  while (records_.size() < kMaxQueuedRecords) {
    const std::size_t length = page::takeTyped(buffer, sizeof buffer);
    if (length == 0) {
      // Nothing more is on its way yet.
      decoder_.expire(page::nowNs(), records_);
      return;
    }
    decoder_.feed(buffer, length, page::nowNs(), records_);
  }
}

void WebInput::waitOnce(std::int64_t deadlineNs) {
  std::int64_t due = deadlineNs;
  if (const auto escape = decoder_.deadline()) due = due < 0 ? *escape : std::min(due, *escape);
  std::int64_t timeoutMs = -1;
  if (due >= 0) {
    const std::int64_t left = std::max<std::int64_t>(due - page::nowNs(), 0);
    timeoutMs = (left + kNsPerMs - 1) / kNsPerMs;
  }
  page::waitForTyping(timeoutMs);
  pump();
}

}  // namespace maze
