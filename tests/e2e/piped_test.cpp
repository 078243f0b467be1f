// The program with standard input and output as pipes: stream mode, bytes unchanged.
#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <string>

#include "support/game_screen.hpp"
#include "support/piped_run.hpp"
#include "support/wait_status.hpp"

namespace e2e {
namespace {

const std::string kPrompt(game::kDirectionPrompt);

TEST(Piped, ShortSessionWritesExactlyPromptsAndEchoes) {
  PipedResult result = runPiped({.input = "x\r\nq\r\n"});
  EXPECT_EQ(result.output, kPrompt + "x\r\n" + kPrompt + "q\r\n");
  EXPECT_TRUE(exitedWith(result.status, 0)) << describeStatus(result.status);
}

TEST(Piped, EndOfInputEndsWithStatusZeroAndNothingMore) {
  struct Case {
    std::string input;
    std::string output;
  };
  const Case cases[] = {
      {"", kPrompt},
      {"x\r\n", kPrompt + "x\r\n" + kPrompt},
      {"nx", kPrompt + "nx"},
      // LF alone is Enter too.
      {"s\n", kPrompt + "s\r\n" + std::string(game::kHeadNorth) + "\r\n"},
      {"n\r\n", kPrompt + "n\r\n" + std::string(game::kEntranceLines[0]) + "\r\n" +
                    std::string(game::kEntranceLines[1]) + "\r\n" +
                    std::string(game::kEntranceLines[2]) + "\r\n"},
  };
  for (const Case& c : cases) {
    PipedResult result = runPiped({.input = c.input});
    EXPECT_EQ(result.output, c.output) << "input \"" << c.input << "\"";
    EXPECT_TRUE(exitedWith(result.status, 0))
        << "input \"" << c.input << "\": " << describeStatus(result.status);
  }
}

TEST(Piped, ALongScriptIsAnsweredInFull) {
  std::string input;
  std::string expected;
  for (int i = 0; i < 400; ++i) {
    input += "x\r\n";
    expected += kPrompt + "x\r\n";
  }
  PipedResult result = runPiped({.input = input + "q\r\n"});
  EXPECT_EQ(result.output, expected + kPrompt + "q\r\n");
  EXPECT_TRUE(exitedWith(result.status, 0)) << describeStatus(result.status);
}

// East from room 2 leads back into room 2, so whenever the gnome comes (within
// 25 moves, a few more if a rumble puts it off) the answer is the wrong way.
TEST(Piped, TheGnomeKillsAPlayerWhoDoesNotRunBack) {
  std::string input = "n\r\n ";
  for (int i = 0; i < 60; ++i) input += "e\r\n ";
  PipedResult result = runPiped({.input = input});
  EXPECT_TRUE(
      result.output.ends_with(std::string(game::kGnomeLast) + "\r\n" + kPrompt + "e\r\n" +
                              "You idiot, you ran into the darkness not knowing what was there\r\n"
                              "The gnome hits you with his axe\r\n" +
                              std::string(game::kDied) + "\r\n"))
      << result.output;
  EXPECT_TRUE(exitedWith(result.status, 0)) << describeStatus(result.status);
}

TEST(Piped, FailingWritesNeitherHangNorCrash) {
  // A closed pipe kills a writer by SIGPIPE, as it would any program in a pipeline.
  PipedResult closed = runPiped({.input = "x\r\nq\r\n", .stdoutTarget = StdoutTarget::kClosedPipe});
  EXPECT_TRUE(killedBy(closed.status, SIGPIPE)) << describeStatus(closed.status);

  // With SIGPIPE ignored, it ends as a filter does then: with a failure.
  PipedResult ignored = runPiped(
      {.input = "x\r\nq\r\n", .stdoutTarget = StdoutTarget::kClosedPipe, .ignoreSigpipe = true});
  EXPECT_TRUE(exitedWith(ignored.status, 1)) << describeStatus(ignored.status);

  PipedResult full = runPiped({.input = "x\r\nn\r\n \r\n", .stdoutTarget = StdoutTarget::kDevFull});
  EXPECT_TRUE(exitedWith(full.status, 0)) << describeStatus(full.status);
}

TEST(Piped, RandomBytesOnInputEndWithStatusZero) {
  for (unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 generator(seed);
    std::string input(64 * 1024, '\0');
    for (char& byte : input) byte = static_cast<char>(generator() & 0xFF);
    PipedResult result = runPiped({.input = input});
    EXPECT_TRUE(exitedWith(result.status, 0))
        << "seed " << seed << ": " << describeStatus(result.status) << " after "
        << result.elapsed.count() << " ms";
  }
}

}  // namespace
}  // namespace e2e
