#include "platform/memory/screen_transcript.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/console.hpp"
#include "console/output.hpp"
#include "console/screen.hpp"
#include "support/test_host.hpp"
#include "support/test_screen.hpp"

namespace maze {
namespace {

// The console services on a screen whose every change the transcript sees,
// told whenever the keys are looked at, as the web host does.
struct TranscriptHost : TestHost {
  explicit TranscriptHost(TestScreen& screen) : screen(screen) {}
  void flushScreen() override { transcript.observe(screen, screen.takeChanges()); }
  bool peekInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) override {
    tell();
    return TestHost::peekInput(records, count, read);
  }
  void tell() {
    for (std::string& line : transcript.take(screen)) told.push_back(std::move(line));
  }
  bool readInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) override {
    const bool done = TestHost::readInput(records, count, read);
    if (read > 0 && records[0].key.virtualKeyCode == vk::kReturn) transcript.endInput();
    return done;
  }

  TestScreen& screen;
  ScreenTranscript transcript;
  std::vector<std::string> told;
};

// Lines printed, then a prompt answered with keys typed one at a time as
// the game waits, or all typed ahead of it: each line is told once, then
// the prompt without the answer, then the next line.
struct Case {
  int width;
  int height;
  std::vector<std::string> said;
  std::string typed;
  bool typedAhead;
};

const std::string kPrompt = "Choose A Direction (N, S, E, W) (Or Press Q To Quit) ";
const std::string kShown = "Choose A Direction (N, S, E, W) (Or Press Q To Quit)";

TEST(ScreenTranscript, TellsEachLineOnceAndNeverTheTyping) {
  const Case cases[] = {
      // Typing wraps over rows of a narrow screen, lines too.
      {20, 25, {"The small figure throws an axe"}, std::string(23, 'n') + "\r", false},
      {80, 25, {"You walk into a wall"}, "w\r", true},
      // A row that ends in a blank goes on in the next.
      {20, 25, {"You have found some treasure!"}, "y\r", true},
      // Rows scrolled off a short screen before the wait.
      {40, 3, {"one", "two", "three", "four"}, "y\r", false},
  };
  for (const Case& c : cases) {
    TestScreen screen(c.width, c.height);
    TranscriptHost host(screen);
    ConsoleState console(host, screen);
    startConsole(console, 0, nullptr);
    for (const std::string& line : c.said) printLine(console, line);
    std::size_t next = c.typedAhead ? c.typed.size() : 0;
    if (c.typedAhead) host.typeText(c.typed);
    host.onIdle = [&] {
      if (next < c.typed.size()) host.typeText(c.typed.substr(next++, 1));
    };
    inputLine(console, kPrompt, QuestionMark::Omit, LineEnd::Add);
    printLine(console, "You enter the caves");
    host.onIdle = nullptr;
    host.tell();
    std::vector<std::string> told = c.said;
    told.push_back(kShown);
    told.push_back("You enter the caves");
    EXPECT_EQ(host.told, told) << c.width << " x " << c.height;
  }
}

// What was shown stays shown, though cleared before the next wait.
TEST(ScreenTranscript, ALineClearedBeforeItIsToldIsStillTold) {
  TestScreen screen(80, 25);
  TranscriptHost host(screen);
  ConsoleState console(host, screen);
  startConsole(console, 0, nullptr);
  printLine(console, "The small figure throws an axe");
  host.flushScreen();
  clearScreen(console);
  printLine(console, "You enter the caves");
  host.flushScreen();
  host.tell();
  EXPECT_EQ(host.told,
            (std::vector<std::string>{"The small figure throws an axe", "You enter the caves"}));
}

}  // namespace
}  // namespace maze
