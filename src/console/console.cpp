#include "console/console.hpp"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

#include "console/lineedit.hpp"
#include "console/output.hpp"

namespace maze {
namespace {

constexpr std::size_t kMaxFieldLength = 4096;

bool isFieldSpace(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

// Consumes one line end (LF, CR, or CR LF) at the read position.
void consumeLineEnd(const std::string& buffer, std::size_t& position) {
  if (buffer[position] == '\r') {
    ++position;
    if (position < buffer.size() && buffer[position] == '\n') ++position;
  } else {
    ++position;
  }
}

// After a quoted field: blanks and tabs, then one comma or line end.
void skipAfterQuote(const std::string& buffer, std::size_t& position) {
  while (position < buffer.size() && (buffer[position] == ' ' || buffer[position] == '\t')) {
    ++position;
  }
  if (position >= buffer.size()) return;
  if (buffer[position] == ',') {
    ++position;
  } else if (buffer[position] == '\n' || buffer[position] == '\r') {
    consumeLineEnd(buffer, position);
  }
}

std::uint32_t nextRandom(ConsoleState& console) {
  console.randomState = console.randomState * 214013u + 2531011u;
  return (console.randomState >> 16) & 0x7FFFu;
}

// Truncates toward zero; values a 32-bit integer cannot hold give the
// integer-indefinite value, as the processor's own conversion does.
std::int32_t truncateToInt(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace

ConsoleState::~ConsoleState() { releaseKeyboard(*this); }

void inputLine(ConsoleState& console, const std::string& prompt, QuestionMark question,
               LineEnd lineEnd) {
  finishPendingLineFeed(console);
  if (!prompt.empty()) printText(console, prompt);
  if (question == QuestionMark::Add) printText(console, "? ");
  try {
    console.inputBuffer = editLine(console);
  } catch (const std::bad_alloc&) {
    // No line could be had: the previous one is read again from its start.
  }
  if (lineEnd == LineEnd::Add) consoleWrite(console, "\r\n", 2, WriteEmpty::Skip);
  console.readPosition = 0;
}

std::string readField(ConsoleState& console) {
  const std::string& buffer = console.inputBuffer;
  std::size_t& position = console.readPosition;
  while (position < buffer.size() && isFieldSpace(buffer[position])) ++position;

  std::string field;
  if (position < buffer.size() && buffer[position] == '"') {
    ++position;
    while (position < buffer.size() && field.size() < kMaxFieldLength) {
      const char ch = buffer[position];
      if (ch == '"') {
        ++position;
        skipAfterQuote(buffer, position);
        return field;
      }
      if (ch == '\r' || ch == '\n') {
        skipAfterQuote(buffer, position);
        return field;
      }
      field.push_back(ch);
      ++position;
    }
    return field;
  }

  while (position < buffer.size() && field.size() < kMaxFieldLength) {
    const char ch = buffer[position];
    if (ch == ',') {
      ++position;
      return field;
    }
    if (ch == '\r' || ch == '\n') {
      consumeLineEnd(buffer, position);
      return field;
    }
    field.push_back(ch);
    ++position;
  }
  return field;
}

double timerSeconds(ConsoleState& console) {
  Host& host = *console.host;
  if (console.timerMode == TimerMode::Undecided) {
    std::int64_t frequency = 0;
    if (host.queryPerformanceFrequency(frequency) && frequency > 0) {
      console.counterPeriod = 1.0 / static_cast<double>(frequency);
      console.timerMode = TimerMode::PerformanceCounter;
    } else {
      console.timerMode = TimerMode::TickCounter;
    }
  }
  if (console.timerMode == TimerMode::PerformanceCounter) {
    std::int64_t counter = 0;
    host.queryPerformanceCounter(counter);
    return static_cast<double>(counter) * console.counterPeriod;
  }
  return static_cast<double>(host.tickCount()) * 0.001;
}

void sleepToNextSecond(ConsoleState& console) {
  const double now = timerSeconds(console);
  const double left = std::floor(now) + 1.0 - now;
  console.host->sleep(static_cast<std::uint32_t>(std::ceil(left * 1000.0)));
}

void randomize(ConsoleState& console, double seed) {
  if (seed == kSeedFromTimer) seed = timerSeconds(console);
  console.randomState = static_cast<std::uint32_t>(truncateToInt(seed));
  nextRandom(console);
}

double rnd(ConsoleState& console, int n) {
  if (n == 0) return console.lastRandom;
  console.lastRandom = static_cast<double>(nextRandom(console)) / 32768.0;
  return console.lastRandom;
}

std::int32_t roundToInt(double value) {
  if (std::isnan(value)) return std::numeric_limits<std::int32_t>::min();
  if (value >= 2147483647.5) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.5) return std::numeric_limits<std::int32_t>::min();
  const double below = std::floor(value);
  const double fraction = value - below;
  double rounded = below;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0)) rounded = below + 1.0;
  return static_cast<std::int32_t>(rounded);
}

void endProgram(ConsoleState& console, int status) {
  console.host->exitProcess(status);
  std::abort();  // a host whose exit came back would leave the game running on
}

}  // namespace maze
