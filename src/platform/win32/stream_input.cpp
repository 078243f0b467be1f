#include "platform/win32/stream_input.hpp"

#include <algorithm>
#include <string>

#include "platform/input_records.hpp"
#include "platform/keyboard_layout.hpp"

namespace maze::win32 {

struct StreamInput::Shared {
  HANDLE source = nullptr;
  SRWLOCK lock = SRWLOCK_INIT;
  std::string bytes;  // read, not yet decoded
  bool ended = false;
  // Set while bytes or the end wait to be collected.
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // Set when the game has taken the bytes read ahead, so the reader may
  // read on.
  HANDLE room = CreateEventA(nullptr, FALSE, FALSE, nullptr);
};

namespace {

// How far ahead of the game the reader reads: a pipe that never ends (or a
// huge file) must not fill the memory.
constexpr std::size_t kReadAhead = std::size_t{64} * 1024;

}  // namespace

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
    for (;;) {
      AcquireSRWLockShared(&shared.lock);
      const bool full = shared.bytes.size() >= kReadAhead;
      ReleaseSRWLockShared(&shared.lock);
      if (!full) break;
      WaitForSingleObject(shared.room, INFINITE);
    }
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
  if (!shared_) return;
  while (records_.empty()) {
    if (pendingOffset_ < pending_.size()) {
      const std::size_t end = std::min(pending_.size(), pendingOffset_ + kChunkBytes);
      for (; pendingOffset_ < end; ++pendingOffset_) {
        decoder_.feed(static_cast<std::uint8_t>(pending_[pendingOffset_]), records_);
      }
      continue;
    }
    pending_.clear();
    pendingOffset_ = 0;
    AcquireSRWLockExclusive(&shared_->lock);
    pending_.swap(shared_->bytes);
    const bool ended = shared_->ended;
    if (!ended) ResetEvent(shared_->ready);
    ReleaseSRWLockExclusive(&shared_->lock);
    SetEvent(shared_->room);
    if (pending_.empty()) {
      ended_ = ended;
      return;
    }
  }
}

std::uint32_t StreamInput::take(InputRecord* records, std::uint32_t count, bool remove) {
  return takeRecords(records_, records, count, remove);
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
