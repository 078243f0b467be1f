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

// The console services on a screen whose every change the transcript
// sees, told whenever the keys are looked at, as the web host does.
struct TranscriptHost : TestHost {
  explicit TranscriptHost(TestScreen& screen) : screen(screen) {}
  void flushScreen() override {
    TestHost::flushScreen();
    transcript.observe(screen, screen.takeChanges());
  }
  bool peekInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) override {
    tell();
    return TestHost::peekInput(records, count, read);
  }
  bool readInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) override {
    tell();
    const bool done = TestHost::readInput(records, count, read);
    for (std::uint32_t i = 0; i < read; ++i) {
      if (records[i].key.keyDown && records[i].key.virtualKeyCode == vk::kReturn) {
        transcript.endInput();
      }
    }
    return done;
  }
  void tell() {
    for (std::string& line : transcript.take(screen)) told.push_back(std::move(line));
  }

  TestScreen& screen;
  ScreenTranscript transcript;
  std::vector<std::string> told;
};

// One step: a line printed, text printed without a line end, a clear, a prompt answered with keys
// typed one at a time at the waits ('\r' ends the line), or typed ahead of it.
struct Step {
  enum Kind { kSay, kPrint, kClear, kAsk, kAskTypedAhead } kind;
  std::string text;
  std::string typed = {};
};

struct Case {
  const char* name;
  int width;
  int height;
  std::vector<Step> steps;
  std::vector<std::string> told;
};

void run(const Case& c) {
  TestScreen screen(c.width, c.height);
  TranscriptHost host(screen);
  ConsoleState console(host, screen);
  startConsole(console, 0, nullptr);
  for (const Step& step : c.steps) {
    switch (step.kind) {
      case Step::kSay: printLine(console, step.text); break;
      case Step::kPrint: printText(console, step.text); break;
      case Step::kClear: clearScreen(console); break;
      case Step::kAsk:
      case Step::kAskTypedAhead: {
        std::size_t next = 0;
        if (step.kind == Step::kAskTypedAhead) {
          host.typeText(step.typed);
          next = step.typed.size();
        }
        host.onIdle = [&] {
          if (next < step.typed.size()) host.typeText(step.typed.substr(next++, 1));
        };
        inputLine(console, step.text, false, true);
        host.onIdle = nullptr;
        break;
      }
    }
  }
  host.tell();
  EXPECT_EQ(host.told, c.told) << c.name;
}

const std::string kPrompt = "Choose A Direction (N, S, E, W) (Or Press Q To Quit) ";
const std::string kShown = "Choose A Direction (N, S, E, W) (Or Press Q To Quit)";

TEST(ScreenTranscript, TellsEachLineOnceAndNeverTheTyping) {
  const Case cases[] = {
      {"a turn",
       80,
       25,
       {{Step::kAsk, kPrompt, "xn\b\b n\r"}, {Step::kSay, "You enter the caves"}},
       {kShown, "You enter the caves"}},
      {"the same prompt after a clear is told again",
       80,
       25,
       {{Step::kAsk, kPrompt, "\r"}, {Step::kClear, ""}, {Step::kAsk, kPrompt, "s\r"}},
       {kShown, kShown}},
      {"keys typed ahead of the prompt",
       80,
       25,
       {{Step::kSay, "You walk into a wall"}, {Step::kAskTypedAhead, kPrompt, "w\r"}},
       {"You walk into a wall", kShown}},
      {"lines wrapped on a narrow screen, and typing that wraps",
       20,
       25,
       {{Step::kSay, "The small figure throws an axe at you"},
        {Step::kAsk, kPrompt, "nnnnnnnnnnnnnnnnnnnnnnnnn\r"},
        {Step::kSay, "You escaped from the gnome"}},
       {"The small figure throws an axe at you", kShown, "You escaped from the gnome"}},
      {"a line cleared before the wait, and one written in parts",
       80,
       25,
       {{Step::kSay, "You move south through the caves"},
        {Step::kClear, ""},
        {Step::kAsk, "Are you sure (Y, N)", "y\r"},
        {Step::kPrint, "finished with"},
        {Step::kPrint, " 1"},
        {Step::kSay, " gold"}},
       {"You move south through the caves", "Are you sure (Y, N)", "finished with 1 gold"}},
      {"a line broken where a blank meets the last column",
       44,
       25,
       {{Step::kAsk, kPrompt, "n\r"}},
       {kShown}},
      {"lines scrolled out of a short screen before the wait",
       40,
       3,
       {{Step::kSay, "one"},
        {Step::kSay, "two"},
        {Step::kSay, "three"},
        {Step::kSay, "four"},
        {Step::kAsk, "Are you sure (Y, N)", "y\r"},
        {Step::kSay, "five"}},
       {"one", "two", "three", "four", "Are you sure (Y, N)", "five"}},
  };
  for (const Case& c : cases) run(c);
}

}  // namespace
}  // namespace maze
