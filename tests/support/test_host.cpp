#include "support/test_host.hpp"

#include <algorithm>
#include <cmath>

#include "platform/input_records.hpp"
#include "platform/keyboard_layout.hpp"

namespace maze {
namespace {

constexpr int kMaxEmptyWaits = 1'000'000;

bool consume(int& counter) {
  if (counter == 0) return false;
  if (counter > 0) --counter;
  return true;
}

}  // namespace

// A console input that is no console refuses to be read, as the console
// calls do.
bool TestHost::peekInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) {
  read = 0;
  return inputIsConsole && QueuedInputHost::peekInput(records, count, read);
}

bool TestHost::readInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) {
  read = 0;
  return inputIsConsole && QueuedInputHost::readInput(records, count, read);
}

bool TestHost::waitForInput(std::uint32_t timeoutMs) {
  lastWaitMs_ = timeoutMs;
  if (input_.empty() && onIdle) onIdle();
  if (!input_.empty()) {
    emptyWaits_ = 0;
    return true;
  }
  if (inputEnded_ || !inputIsConsole) exitProcess(0);
  if (timeoutMs == kInfinite || ++emptyWaits_ > kMaxEmptyWaits) throw InputStarved{};
  advanceMs(timeoutMs);
  return false;
}

bool TestHost::writeBytes(const void* bytes, std::uint32_t length, std::uint32_t& written) {
  written = 0;
  if (consume(failWriteCalls)) return false;
  std::uint32_t take = length;
  if (writeLimit >= 0) take = std::min<std::uint32_t>(take, writeLimit);
  streamOutput_.append(static_cast<const char*>(bytes), take);
  written = take;
  return true;
}

bool TestHost::beep(std::uint32_t frequency, std::uint32_t durationMs) {
  beeps_.push_back({frequency, durationMs});
  if (onBeep) onBeep();
  return true;
}

void TestHost::sleep(std::uint32_t ms) {
  sleptMs_ += ms;
  advanceMs(ms);
}

bool TestHost::queryPerformanceFrequency(std::int64_t& frequency) {
  if (!performanceCounterAvailable) return false;
  frequency = kCounterFrequency;
  return true;
}

bool TestHost::queryPerformanceCounter(std::int64_t& counter) {
  if (msPerClockReading > 0) advanceMs(msPerClockReading);
  counter = counter_;
  return true;
}

std::uint32_t TestHost::tickCount() {
  return static_cast<std::uint32_t>(counter_ / (kCounterFrequency / 1000));
}

void TestHost::setFloatingPointControl(std::uint32_t value, std::uint32_t mask) {
  fpControl_ = (fpControl_ & ~mask) | (value & mask);
}

void TestHost::exitProcess(int status) {
  exitHandlers_.runNewestFirst();
  throw ProcessExit{status};
}

void TestHost::pushKey(const KeyEventRecord& key) { appendPressAndRelease(key, input_); }

void TestHost::typeText(const std::string& text) {
  for (unsigned char ch : text) pushKey(usKeyEventForChar(ch));
}

void TestHost::pushVirtualKey(std::uint16_t virtualKey, std::uint32_t controlKeyState) {
  KeyEventRecord key;
  key.virtualKeyCode = virtualKey;
  key.virtualScanCode = usScanCodeForVirtualKey(virtualKey);
  key.controlKeyState = controlKeyState;
  const bool separateKey = (virtualKey >= vk::kPrior && virtualKey <= vk::kDown) ||
                           virtualKey == vk::kInsert || virtualKey == vk::kDelete;
  if (separateKey) key.controlKeyState |= kEnhancedKey;
  pushKey(key);
}

void TestHost::setSeconds(double seconds) {
  counter_ = static_cast<std::int64_t>(std::llround(seconds * kCounterFrequency));
}

void TestHost::advanceMs(double ms) {
  counter_ += static_cast<std::int64_t>(std::llround(ms * (kCounterFrequency / 1000.0)));
}

}  // namespace maze
