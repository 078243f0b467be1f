#include "platform/web/web_host.hpp"

#include <string>

#include "platform/input_records.hpp"
#include "platform/keyboard_layout.hpp"
#include "platform/web/page_bridge.hpp"

namespace maze {
namespace {

constexpr std::int64_t kNsPerMs = 1'000'000;

}  // namespace

WebHost::WebHost()
    : screen_(kFallbackColumns, kFallbackRows), renderer_(kFallbackColumns, kFallbackRows) {}

// --- Input ---

// The page's terminal is a console: the mode is kept for whoever reads it.
bool WebHost::getInputMode(std::uint32_t& mode) {
  mode = inputMode_;
  return true;
}

bool WebHost::setInputMode(std::uint32_t mode) {
  inputMode_ = mode;
  return true;
}

bool WebHost::peekInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) {
  if (input_.records().empty()) input_.pump();
  read = takeRecords(input_.records(), records, count, false);
  return true;
}

bool WebHost::readInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) {
  if (input_.records().empty()) input_.pump();
  while (input_.records().empty()) waitForInput(kInfinite);
  read = takeRecords(input_.records(), records, count, true);
  return true;
}

bool WebHost::waitForInput(std::uint32_t timeoutMs) {
  const std::int64_t deadline =
      timeoutMs == kInfinite ? -1 : page::nowNs() + static_cast<std::int64_t>(timeoutMs) * kNsPerMs;
  input_.pump();
  while (input_.records().empty()) {
    if (deadline >= 0 && page::nowNs() >= deadline) return false;
    beforeWaiting();
    input_.waitOnce(deadline);
  }
  return true;
}

void WebHost::beforeWaiting() {
  std::string out;
  renderer_.settleCursor(screen_, out);
  page::write(out);
}

// A page raises no control events; the handlers are only kept.
bool WebHost::setCtrlHandler(CtrlHandler handler, bool add) {
  return ctrlHandlers_.set(handler, add);
}

std::uint32_t WebHost::mapVirtualKey(std::uint32_t code, std::uint32_t mapType) {
  return mapType == kMapVkToChar ? usVirtualKeyToChar(code) : 0;
}

// --- Output ---

// Everything goes through the screen; raw bytes have nowhere to go, and
// taking none is the failure the console services stop on.
bool WebHost::writeBytes(const void*, std::uint32_t, std::uint32_t& written) {
  written = 0;
  return false;
}

// One write to the terminal per output call.
void WebHost::flushScreen() {
  std::string out;
  renderer_.render(screen_, screen_.takeChanges(), out);
  page::write(out);
}

bool WebHost::beep(std::uint32_t frequency, std::uint32_t durationMs) {
  page::beep(frequency, durationMs);
  return true;
}

// --- Time and runtime ---

void WebHost::sleep(std::uint32_t ms) {
  beforeWaiting();
  page::pause(ms);
}

bool WebHost::queryPerformanceFrequency(std::int64_t& frequency) {
  frequency = 1'000'000'000;
  return true;
}

bool WebHost::queryPerformanceCounter(std::int64_t& counter) {
  counter = page::nowNs();
  return true;
}

std::uint32_t WebHost::tickCount() { return static_cast<std::uint32_t>(page::nowNs() / kNsPerMs); }

// WebAssembly computes doubles at their own precision and always rounds to
// nearest: there is nothing to set.
void WebHost::setFloatingPointControl(std::uint32_t, std::uint32_t) {}

bool WebHost::atExit(ExitHandler handler) {
  exitHandlers_.add(handler);
  return true;
}

// The last screen stays on the page, in default colours with the cursor
// shown where the screen has it; the page then offers a new game.
void WebHost::exitProcess(int status) {
  exitHandlers_.runNewestFirst();
  std::string out;
  renderer_.render(screen_, screen_.takeChanges(), out);
  renderer_.leave(screen_, out);
  page::write(out);
  page::ended(status);
  page::halt();
}

}  // namespace maze
