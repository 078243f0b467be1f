// Terminals of unusual or changing size must not break the game.
#include <gtest/gtest.h>

#include "support/game_screen.hpp"
#include "support/pty_session.hpp"
#include "support/wait_status.hpp"

namespace e2e {
namespace {

struct Size {
  const char* name;
  int rows;
  int cols;
};

void PrintTo(const Size& size, std::ostream* out) { *out << size.name; }

class TinyTerminal : public testing::TestWithParam<Size> {};

TEST_P(TinyTerminal, StillAsksAndQuits) {
  const Size& size = GetParam();
  PtyOptions options;
  options.reportedRows = size.rows;
  options.reportedCols = size.cols;
  PtySession session(options);
  session.settle();
  session.send("s\r");
  session.settle();
  session.send(" q\r");
  auto status = session.waitExit();
  EXPECT_TRUE(exitedWith(status, 0)) << describeStatus(status) << "\n" << session.dump();
  EXPECT_EQ(session.settingsNow(), session.settingsBefore());
}

// With one row there is no window to draw: the bytes go to the terminal as
// they are, and nothing may wipe them out again.
TEST(TinyTerminal, OneRowShowsThePromptAndTheEcho) {
  PtyOptions options;
  options.reportedRows = 1;
  PtySession session(options);
  ASSERT_TRUE(session.waitForText("Choose A Direction (N, S, E, W) (Or Press Q To Quit)"))
      << session.dump();
  session.send("x");
  ASSERT_TRUE(session.waitForText("(Or Press Q To Quit) x")) << session.dump();
  session.settle();
  EXPECT_TRUE(session.screen().contains("(Or Press Q To Quit) x")) << session.dump();
  session.send("\rq\r");
  EXPECT_TRUE(exitedWith(session.waitExit().value_or(-1), 0));
}

INSTANTIATE_TEST_SUITE_P(Sizes, TinyTerminal,
                         testing::Values(Size{"OneColumn", 25, 1}, Size{"OneRow", 1, 80},
                                         Size{"OneCell", 1, 1}, Size{"NoRows", 0, 80},
                                         Size{"NoSize", 0, 0}),
                         [](const testing::TestParamInfo<Size>& info) { return info.param.name; });

TEST(Resize, TheGameGoesOnAfterTheWindowChangesSize) {
  PtySession session;
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
  session.resize(12, 40);
  session.settle();
  session.send("s\r");
  ASSERT_TRUE(session.waitForText(game::kHeadNorth)) << session.dump();
  session.resize(30, 100);
  session.settle();
  session.send(" ");
  ASSERT_TRUE(session.waitForText("Choose A Direction")) << session.dump();
  session.send("q\r");
  auto status = session.waitExit();
  EXPECT_TRUE(exitedWith(status, 0)) << describeStatus(status);
  EXPECT_EQ(session.settingsNow(), session.settingsBefore());
}

// A terminal made shorter than its first height keeps every line whole:
// the buffer keeps its rows and the window follows the cursor.
TEST(Resize, AShorterTerminalKeepsTheLinesApart) {
  PtySession session;
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
  session.resize(3, 80);
  session.settle();
  session.send("n\r");
  ASSERT_TRUE(session.waitForText(game::kEntranceLines[2])) << session.dump();
  session.settle();
  // The cursor's row, below the last line, is the window's bottom row.
  EXPECT_EQ(session.screen().row(0), game::kEntranceLines[1]) << session.dump();
  EXPECT_EQ(session.screen().row(1), game::kEntranceLines[2]) << session.dump();
  EXPECT_EQ(session.screen().row(2), "") << session.dump();
  session.send(" ");
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
  session.send("q\r");
  EXPECT_TRUE(exitedWith(session.waitExit().value_or(-1), 0));
  EXPECT_EQ(session.settingsNow(), session.settingsBefore());
}

}  // namespace
}  // namespace e2e
