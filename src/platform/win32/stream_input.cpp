#include "platform/win32/stream_input.hpp"

#include <algorithm>
#include <string>

namespace maze::win32 {

struct StreamInput::Shared {
  HANDLE source = nullptr;
  SRWLOCK lock = SRWLOCK_INIT;
  std::string bytes;  // read, not yet decoded
  bool ended = false;
  // Set while bytes or the end wait to be collected.
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

StreamInput::StreamInput(HANDLE source) : source_(source) {
  if (source_ == nullptr || source_ == INVALID_HANDLE_VALUE) ended_ = true;
}

// Owns a reference to the shared state: the thread may outlive its
// StreamInput while it is blocked in a read, until the process ends.
DWORD WINAPI StreamInput::readerMain(LPVOID parameter) {
  const std::unique_ptr<std::shared_ptr<Shared>> owner(
      static_cast<std::shared_ptr<Shared>*>(parameter));
  Shared& shared = **owner;
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    const bool ok = ReadFile(shared.source, buffer, sizeof buffer, &got, nullptr);
    AcquireSRWLockExclusive(&shared.lock);
    if (ok && got > 0) {
      shared.bytes.append(buffer, got);
    } else {
      shared.ended = true;
    }
    SetEvent(shared.ready);
    const bool ended = shared.ended;
    ReleaseSRWLockExclusive(&shared.lock);
    if (ended) return 0;
  }
}

void StreamInput::start() {
  if (shared_ || ended_) return;
  shared_ = std::make_shared<Shared>();
  shared_->source = source_;
  auto* reference = new std::shared_ptr<Shared>(shared_);
  const HANDLE thread = CreateThread(nullptr, 0, readerMain, reference, 0, nullptr);
  if (thread == nullptr) {
    delete reference;
    shared_->ended = true;
    SetEvent(shared_->ready);
    return;
  }
  CloseHandle(thread);
}

// Bytes become key events only when the game waits with none left, and a
// small chunk at a time: taken in bulk, a long script would overflow the key
// buffer and lose its start.
void StreamInput::collect() {
  start();
  if (!shared_ || !records_.empty()) return;
  AcquireSRWLockExclusive(&shared_->lock);
  pending_.append(shared_->bytes);
  shared_->bytes.clear();
  const bool ended = shared_->ended;
  if (!ended) ResetEvent(shared_->ready);
  ReleaseSRWLockExclusive(&shared_->lock);
  while (records_.empty() && !pending_.empty()) {
    const std::size_t chunk = std::min(pending_.size(), kChunkBytes);
    for (std::size_t i = 0; i < chunk; ++i) {
      decoder_.feed(static_cast<std::uint8_t>(pending_[i]), records_);
    }
    pending_.erase(0, chunk);
  }
  ended_ = ended && pending_.empty();
}

std::uint32_t StreamInput::take(InputRecord* records, std::uint32_t count, bool remove) {
  std::uint32_t n = 0;
  for (; n < count && n < records_.size(); ++n) records[n] = records_[n];
  if (remove) records_.erase(records_.begin(), records_.begin() + n);
  return n;
}

StreamInput::Wait StreamInput::wait(HANDLE signal, std::uint32_t timeoutMs) {
  collect();
  if (!records_.empty()) return Wait::Ready;
  if (ended_) return Wait::Ended;
  const HANDLE handles[2] = {shared_->ready, signal};
  const DWORD result = WaitForMultipleObjects(signal ? 2 : 1, handles, FALSE, timeoutMs);
  collect();
  if (!records_.empty()) return Wait::Ready;
  if (ended_) return Wait::Ended;
  return result == WAIT_OBJECT_0 + 1 ? Wait::Signalled : Wait::TimedOut;
}

}  // namespace maze::win32
