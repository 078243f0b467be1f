#include <gtest/gtest.h>

#include <cmath>
#include <new>
#include <set>
#include <vector>

#include "support/test_console.hpp"

namespace maze {
namespace {

// Each line with the fields read from it, one after the other.
TEST(ReadField, SplitsTheLineIntoFields) {
  const std::string xs(5000, 'x');
  const struct {
    std::string line;
    std::vector<std::string> fields;
  } lines[] = {
      // Leading blanks and line ends are skipped; trailing blanks are kept.
      {"  e  ", {"e  ", ""}},
      {" n", {"n"}},
      {"n ", {"n "}},
      {"\t\r\n n", {"n"}},
      {"     ", {"", ""}},
      {"", {""}},
      {"n,s", {"n", "s", ""}},
      {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
      // Quotes keep commas and blanks; an unclosed one takes the rest of the
      // line, a character after the closing one starts the next field, and
      // one inside an unquoted field is an ordinary character.
      {"\"n\"", {"n"}},
      {"\" a, b \"  ,next", {" a, b ", "next"}},
      {"\"open, to the end ", {"open, to the end "}},
      {"\"ab\"cd", {"ab", "cd"}},
      {"a\"b", {"a\"b"}},
      // A field stops at 4096 characters and the rest is the next one.
      {xs + ",y", {xs.substr(0, 4096), xs.substr(0, 904), "y"}},
      {"\"" + std::string(4100, 'q') + "\"", {std::string(4096, 'q')}},
  };
  TestConsole f;
  for (const auto& c : lines) {
    f.setLine(c.line);
    for (const std::string& field : c.fields) {
      EXPECT_EQ(readField(f.console), field) << ::testing::PrintToString(c.line.substr(0, 20));
    }
  }
}

TEST(InputLine, WithoutMemoryForALineThePreviousOneIsReadAgain) {
  TestConsole f(40, 5);
  f.setLine("n,s");
  EXPECT_EQ(readField(f.console), "n");
  f.host.onIdle = [] { throw std::bad_alloc(); };
  inputLine(f.console, "Go ", QuestionMark::Omit, LineEnd::Add);
  EXPECT_EQ(f.screen.rowText(0), "Go");
  EXPECT_EQ(f.screen.cursor().y, 1);  // the line end is still written
  EXPECT_EQ(readField(f.console), "n");
  EXPECT_EQ(readField(f.console), "s");
}

TEST(PrintInteger, UsesABlankOrMinusSignAndNoPadding) {
  EXPECT_EQ(formatInteger(3, false), " 3");
  EXPECT_EQ(formatInteger(0, false), " 0");
  EXPECT_EQ(formatInteger(-7, false), "-7");
  EXPECT_EQ(formatInteger(-1, false), "-1");
  EXPECT_EQ(formatInteger(42, true), " 42\r\n");
  EXPECT_EQ(formatInteger(-2147483647 - 1, true), "-2147483648\r\n");
  EXPECT_EQ(formatInteger(2147483647, false), " 2147483647");
}

TEST(RoundToInt, RoundsHalfwayCasesToEven) {
  EXPECT_EQ(roundToInt(2.5), 2);
  EXPECT_EQ(roundToInt(3.5), 4);
  EXPECT_EQ(roundToInt(-2.5), -2);
  EXPECT_EQ(roundToInt(0.5), 0);
  EXPECT_EQ(roundToInt(1.5), 2);
  EXPECT_EQ(roundToInt(2.4999), 2);
  EXPECT_EQ(roundToInt(2.5001), 3);
  EXPECT_EQ(roundToInt(-0.4), 0);
  EXPECT_EQ(roundToInt(1e300), 2147483647);
  EXPECT_EQ(roundToInt(-1e300), -2147483647 - 1);
}

// Seed 1: 41 is drawn and discarded, then 18467, 6334, 26500 (x 2^-15),
// whatever the platform; rnd(0) repeats the last draw, 0 before the first.
TEST(Random, KnownSequenceAndItsLastDraw) {
  TestConsole f;
  EXPECT_EQ(rnd(f.console, 0), 0.0);
  randomize(f.console, 1);
  for (const double draw : {18467.0, 6334.0, 26500.0}) {
    EXPECT_EQ(rnd(f.console, 1) * 32768.0, draw);
    EXPECT_EQ(rnd(f.console, 0) * 32768.0, draw);
  }
}

// The same seed gives the same draws: one of 32768 evenly spaced values in
// [0, 1), and not few of them.
TEST(Random, DrawsAreFifteenBitFractionsThatASeedRepeats) {
  TestConsole f;
  randomize(f.console, 1234);
  std::vector<double> first;
  for (int i = 0; i < 50; ++i) first.push_back(rnd(f.console, 1));
  randomize(f.console, 1234);
  std::set<double> distinct;
  for (const double expected : first) {
    const double value = rnd(f.console, 1);
    EXPECT_EQ(value, expected);
    EXPECT_GE(value, 0.0);
    EXPECT_LT(value, 1.0);
    EXPECT_EQ(std::fmod(value * 32768.0, 1.0), 0.0) << value;
    distinct.insert(value);
  }
  EXPECT_GT(distinct.size(), 40u);
}

// Seeded from the timer, the draws repeat within one second and change
// with the next.
TEST(Random, ReseedingFromTheTimerRepeatsWithinOneSecond) {
  TestConsole f;
  f.host.setSeconds(5000.1);
  randomize(f.console, kSeedFromTimer);
  const double first = rnd(f.console, 1);
  f.host.setSeconds(5000.9);
  randomize(f.console, kSeedFromTimer);
  EXPECT_EQ(rnd(f.console, 1), first);
  f.host.setSeconds(5001.0);
  randomize(f.console, kSeedFromTimer);
  EXPECT_NE(rnd(f.console, 1), first);
}

TEST(Random, TheSeedIsCutOffTowardZero) {
  TestConsole f;
  for (const double seed : {1234.0, -1234.0}) {
    randomize(f.console, seed);
    const double first = rnd(f.console, 1), second = rnd(f.console, 1);
    randomize(f.console, seed + (seed > 0 ? 0.9 : -0.9));
    EXPECT_EQ(rnd(f.console, 1), first) << seed;
    EXPECT_EQ(rnd(f.console, 1), second) << seed;
  }
}

// Asleep until the timer's next whole second, to the millisecond rounded up.
TEST(Timer, SleepsToTheNextWholeSecond) {
  const std::pair<double, std::uint64_t> sleeps[] = {{5000.25, 750}, {5000.0, 1000}, {7.9996, 1}};
  for (const auto& [now, ms] : sleeps) {
    TestConsole f;
    f.host.setSeconds(now);
    sleepToNextSecond(f.console);
    EXPECT_EQ(f.host.sleptMs(), ms) << now;
  }
}

TEST(Timer, UsesThePerformanceCounterOrFallsBackToTicks) {
  TestConsole f;
  f.host.setSeconds(123.25);
  EXPECT_DOUBLE_EQ(timerSeconds(f.console), 123.25);
  f.host.advanceMs(1500);
  EXPECT_DOUBLE_EQ(timerSeconds(f.console), 124.75);

  TestConsole ticks;
  ticks.host.performanceCounterAvailable = false;
  ticks.host.setSeconds(10.0);
  EXPECT_DOUBLE_EQ(timerSeconds(ticks.console), 10.0);
  // The mode, once chosen, stays.
  ticks.host.performanceCounterAvailable = true;
  ticks.host.advanceMs(7);
  EXPECT_DOUBLE_EQ(timerSeconds(ticks.console), 10.007);
}

TEST(EndProgram, RunsTheExitHandlersAndEndsWithTheStatus) {
  TestConsole f;
  static int handlerRuns = 0;
  handlerRuns = 0;
  f.host.atExit([] { ++handlerRuns; });
  try {
    endProgram(f.console, 3);
    FAIL() << "endProgram returned";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.status, 3);
  }
  EXPECT_EQ(handlerRuns, 1);
}

}  // namespace
}  // namespace maze
