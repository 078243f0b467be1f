// The console services' state and the operations the game relies on:
// typed lines and their fields, the seconds timer, the random generator,
// rounding and the end of the program. Clearing and the cursor live in
// screen.hpp, text output in output.hpp, keys in keyboard.hpp and the line
// editor in lineedit.hpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "console/keyboard.hpp"
#include "platform/host.hpp"
#include "platform/screen_buffer.hpp"

namespace maze {

enum class TimerMode { Undecided, TickCounter, PerformanceCounter };

// Everything the console services keep for the life of the process.
struct ConsoleState {
  ConsoleState(Host& h, ScreenBuffer& s) : host(&h), screen(&s) {}
  // The control and exit handlers registered for it stop acting on it.
  ~ConsoleState();
  ConsoleState(const ConsoleState&) = delete;
  ConsoleState& operator=(const ConsoleState&) = delete;

  Host* host;
  ScreenBuffer* screen;  // the standard output's screen buffer
  int argc = 0;
  char** argv = nullptr;

  // Screen: read at the first clear, output or cursor operation.
  bool firstUseDone = false;
  SmallRect windowRect{};
  int regionFirstRow = 1;  // 1-based rows, counted from the window's top
  int regionLastRow = 25;
  bool pendingLineFeed = false;

  // The line most recently read, and where the next field starts.
  std::string inputBuffer;
  std::size_t readPosition = 0;

  double lastRandom = 0.0;
  std::uint32_t randomState = 1;
  TimerMode timerMode = TimerMode::Undecided;
  double counterPeriod = 0.0;  // seconds per counter tick

  KeyboardState keyboard;
};

enum class QuestionMark { Omit, Add };
enum class LineEnd { Omit, Add };

// Shows the prompt (and "? " when asked), reads one edited line into the
// input buffer, then writes CR LF when asked.
void inputLine(ConsoleState& console, const std::string& prompt, QuestionMark question,
               LineEnd lineEnd);
// The next field of the input buffer.
std::string readField(ConsoleState& console);

double timerSeconds(ConsoleState& console);
// Sleeps until the timer's next whole second.
void sleepToNextSecond(ConsoleState& console);
// The seed that stands for the timer's reading.
inline constexpr double kSeedFromTimer = -1.0;
void randomize(ConsoleState& console, double seed);
double rnd(ConsoleState& console, int n);

// Rounds to the nearest integer, ties to even; values beyond the 32-bit
// range saturate.
std::int32_t roundToInt(double value);

[[noreturn]] void endProgram(ConsoleState& console, int status);

}  // namespace maze
