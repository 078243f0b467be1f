#include "platform/web/web_host.hpp"

#include <string>

#include "platform/terminal/cp437.hpp"
#include "platform/terminal/terminal_fit.hpp"
#include "platform/web/page_bridge.hpp"

namespace maze {
namespace {

bool endsLine(const InputRecord& record) {
  return record.eventType == kKeyEvent && record.key.keyDown &&
         record.key.virtualKeyCode == vk::kReturn;
}

}  // namespace

WebHost::WebHost() : WebHost(page::terminalSize()) {}

WebHost::WebHost(page::TerminalSize size)
    : screen_(terminalSide(size.columns), terminalSide(size.rows)),
      renderer_(terminalSide(size.columns), terminalSide(size.rows)) {}

// --- Input ---

// Looking at the keys is where the program turns to the player, though
// keys typed ahead spare it the wait: what it has said is told first.
bool WebHost::peekInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) {
  announce();
  return QueuedInputHost::peekInput(records, count, read);
}

bool WebHost::readInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) {
  announce();
  const bool done = QueuedInputHost::readInput(records, count, read);
  for (std::uint32_t i = 0; i < read; ++i) {
    if (endsLine(records[i])) transcript_.endInput();
  }
  return done;
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

// A wait is where the page may have changed the terminal's size, and
// where the player hears what is new.
void WebHost::beforeWaiting() {
  followPageSize();
  announce();
  std::string out;
  renderer_.settleCursor(screen_, out);
  page::write(out);
}

void WebHost::followPageSize() {
  const page::TerminalSize size = page::terminalSize();
  if (terminalSide(size.columns) == renderer_.columns() &&
      terminalSide(size.rows) == renderer_.rows()) {
    return;
  }
  fitTerminal(screen_, renderer_, size.columns, size.rows);
  draw();
}

void WebHost::draw() {
  const ScreenChanges changes = screen_.takeChanges();
  transcript_.observe(screen_, changes);
  std::string out;
  renderer_.render(screen_, changes, out);
  page::write(out);
}

void WebHost::announce() {
  std::string text;
  for (const std::string& line : transcript_.take(screen_)) {
    for (const char ch : line) text += cp437ToUtf8(static_cast<std::uint8_t>(ch));
    text += '\n';
  }
  page::announce(text);
}

// --- Output ---

// Everything goes through the screen; raw bytes have nowhere to go, and
// taking none is the failure the console services stop on.
bool WebHost::writeBytes(const void*, std::uint32_t, std::uint32_t& written) {
  written = 0;
  return false;
}

// One write to the terminal per output call.
void WebHost::flushScreen() { draw(); }

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

// The last screen stays on the page, in default colours with the cursor
// shown where the screen has it; the page then offers a new game.
void WebHost::exitProcess(int status) {
  exitHandlers_.runNewestFirst();
  draw();
  announce();
  std::string out;
  renderer_.leave(screen_, out);
  page::write(out);
  page::ended(status);
  page::halt();
}

}  // namespace maze
