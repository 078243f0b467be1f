#include <gtest/gtest.h>

#include <new>
#include <set>

#include "console/output.hpp"
#include "console_fixture.hpp"

namespace maze {
namespace {

using testing::ModelFixture;

TEST(ReadField, SkipsLeadingSpaceAndKeepsTrailingBlanks) {
  ModelFixture f;
  f.setLine("  e  ");
  EXPECT_EQ(readField(f.console), "e  ");
  f.setLine(" n");
  EXPECT_EQ(readField(f.console), "n");
  f.setLine("n ");
  EXPECT_EQ(readField(f.console), "n ");
  f.setLine("\t\r\n n");
  EXPECT_EQ(readField(f.console), "n");
}

TEST(ReadField, EmptyAndBlankLinesGiveTheEmptyField) {
  ModelFixture f;
  f.setLine("");
  EXPECT_EQ(readField(f.console), "");
  f.setLine("     ");
  EXPECT_EQ(readField(f.console), "");
  EXPECT_EQ(readField(f.console), "");  // and again at the end
}

TEST(ReadField, CommaAndLineEndsSeparateFields) {
  ModelFixture f;
  f.setLine("n,s");
  EXPECT_EQ(readField(f.console), "n");
  EXPECT_EQ(readField(f.console), "s");
  EXPECT_EQ(readField(f.console), "");
  f.setLine("a\r\nb\rc\nd");
  EXPECT_EQ(readField(f.console), "a");
  EXPECT_EQ(readField(f.console), "b");
  EXPECT_EQ(readField(f.console), "c");
  EXPECT_EQ(readField(f.console), "d");
}

TEST(ReadField, QuotedFieldsKeepCommasAndBlanks) {
  ModelFixture f;
  f.setLine("\"n\"");
  EXPECT_EQ(readField(f.console), "n");
  f.setLine("\" a, b \"  ,next");
  EXPECT_EQ(readField(f.console), " a, b ");
  EXPECT_EQ(readField(f.console), "next");
  // An unclosed quote takes the rest of the line.
  f.setLine("\"open, to the end ");
  EXPECT_EQ(readField(f.console), "open, to the end ");
  // A character after the closing quote starts the next field.
  f.setLine("\"ab\"cd");
  EXPECT_EQ(readField(f.console), "ab");
  EXPECT_EQ(readField(f.console), "cd");
  // A quote inside an unquoted field is an ordinary character.
  f.setLine("a\"b");
  EXPECT_EQ(readField(f.console), "a\"b");
}

TEST(ReadField, StopsAt4096CharactersAndLeavesTheRest) {
  ModelFixture f;
  f.setLine(std::string(5000, 'x') + ",y");
  EXPECT_EQ(readField(f.console), std::string(4096, 'x'));
  EXPECT_EQ(readField(f.console), std::string(904, 'x'));
  EXPECT_EQ(readField(f.console), "y");
  f.setLine("\"" + std::string(4100, 'q') + "\"");
  EXPECT_EQ(readField(f.console).size(), 4096u);
}

TEST(InputLine, WithoutMemoryForALineThePreviousOneIsReadAgain) {
  ModelFixture f(40, 5);
  f.setLine("n,s");
  EXPECT_EQ(readField(f.console), "n");
  f.host.onIdle = [] { throw std::bad_alloc(); };
  inputLine(f.console, "Go ", false, true);
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

TEST(Random, RndZeroRepeatsTheLastValueAndStartsAtZero) {
  ModelFixture f;
  EXPECT_EQ(rnd(f.console, 0), 0.0);
  randomize(f.console, 12);
  const double first = rnd(f.console, 1);
  EXPECT_EQ(rnd(f.console, 0), first);
  EXPECT_EQ(rnd(f.console, 0), first);
}

TEST(Random, SameSeedSameSequenceAndFifteenBitSteps) {
  ModelFixture f;
  randomize(f.console, 1234.9);  // truncates to 1234
  std::vector<double> a;
  for (int i = 0; i < 50; ++i) a.push_back(rnd(f.console, 1));
  randomize(f.console, 1234.0);
  std::set<double> distinct;
  for (int i = 0; i < 50; ++i) {
    const double value = rnd(f.console, 1);
    EXPECT_EQ(value, a[static_cast<std::size_t>(i)]);
    EXPECT_GE(value, 0.0);
    EXPECT_LT(value, 1.0);
    EXPECT_EQ(value * 32768.0, static_cast<double>(static_cast<int>(value * 32768.0)));
    distinct.insert(value);
  }
  EXPECT_GT(distinct.size(), 40u);
  // Below zero too the fraction is cut off toward zero.
  randomize(f.console, -1234.9);
  const double first = rnd(f.console, 1);
  randomize(f.console, -1234.0);
  EXPECT_EQ(rnd(f.console, 1), first);
}

TEST(Random, KnownSequenceIsTheSameOnEveryPlatform) {
  ModelFixture f;
  randomize(f.console, 1);
  // Seed 1: 41 is drawn and discarded, then 18467, 6334, 26500 (x 2^-15).
  EXPECT_EQ(rnd(f.console, 1) * 32768.0, 18467.0);
  EXPECT_EQ(rnd(f.console, 1) * 32768.0, 6334.0);
  EXPECT_EQ(rnd(f.console, 1) * 32768.0, 26500.0);
}

TEST(Random, ReseedingFromTheTimerRepeatsWithinOneSecond) {
  ModelFixture f;
  f.host.setSeconds(5000.1);
  randomize(f.console, -1);
  const double first = rnd(f.console, 1);
  f.host.setSeconds(5000.9);
  randomize(f.console, -1);
  EXPECT_EQ(rnd(f.console, 1), first);
  f.host.setSeconds(5001.0);
  randomize(f.console, -1);
  EXPECT_NE(rnd(f.console, 1), first);
}

TEST(Timer, UsesThePerformanceCounterOrFallsBackToTicks) {
  ModelFixture f;
  f.host.setSeconds(123.25);
  EXPECT_DOUBLE_EQ(timerSeconds(f.console), 123.25);
  f.host.advanceMs(1500);
  EXPECT_DOUBLE_EQ(timerSeconds(f.console), 124.75);

  ModelFixture ticks;
  ticks.host.performanceCounterAvailable = false;
  ticks.host.setSeconds(10.0);
  EXPECT_DOUBLE_EQ(timerSeconds(ticks.console), 10.0);
  // The mode, once chosen, stays.
  ticks.host.performanceCounterAvailable = true;
  ticks.host.advanceMs(7);
  EXPECT_DOUBLE_EQ(timerSeconds(ticks.console), 10.007);
}

TEST(EndProgram, RunsTheExitHandlersAndEndsWithTheStatus) {
  ModelFixture f;
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
