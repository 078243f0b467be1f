// The entrance as a player meets it in a real terminal.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/game_screen.hpp"
#include "support/pty_session.hpp"
#include "support/wait_status.hpp"

namespace e2e {
namespace {

using game::kDirectionPrompt;

// One player's way through the entrance: which answers are refused and
// how, the way in, and the quit. Which letters count, in either case, is
// for the game's own tests; here is what a terminal shows of it.
TEST(Entrance, AsPlayedInATerminal) {
  PtyOptions options;
  options.before = "earlier output one\r\nearlier output two\r\nearlier output three\r\n$ maze\r\n";
  PtySession session(options);
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
  EXPECT_FALSE(session.screen().altScreen());
  EXPECT_FALSE(session.settingsNow().canonical()) << "not in raw mode while asking";

  // The shell's lines were on the screen when the program started; they must have been
  // scrolled away into the terminal's history rather than erased, and no blank row with
  // them.
  const auto& history = session.screen().scrollback();
  EXPECT_EQ(history.size(), 4u);
  auto next = history.begin();
  for (const char* line :
       {"earlier output one", "earlier output two", "earlier output three", "$ maze"}) {
    next = std::find(next, history.end(), line);
    EXPECT_NE(next, history.end())
        << "\"" << line << "\" is lost; scrollback has " << history.size() << " rows";
  }

  // Anything but a direction is asked again at once.
  for (std::string answer : {"x", "", "north", "n "}) {
    session.send(answer);
    ASSERT_TRUE(game::waitForDirectionPrompt(session, answer)) << session.dump();
    session.send("\r");
    ASSERT_TRUE(game::waitForDirectionPrompt(session)) << "after \"" << answer << "\"\n"
                                                       << session.dump();
  }

  // Every way but north is refused, and asked again after a key.
  for (std::string answer : {"s", "E", "w"}) {
    session.send(answer + "\r");
    ASSERT_TRUE(session.waitForText(game::kHeadNorth)) << session.dump();
    EXPECT_EQ(session.screen().row(0), std::string(kDirectionPrompt) + answer);
    EXPECT_EQ(session.screen().row(1), game::kHeadNorth);
    // It waits for the key and does not ask on its own.
    session.settle();
    EXPECT_TRUE(session.screen().contains(game::kHeadNorth)) << session.dump();
    session.send(" ");
    ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();
  }

  // North leads into the caves after a key.
  session.send("N\r");
  ASSERT_TRUE(session.waitForText(game::kEntranceLines[2])) << session.dump();
  // The line end is an output call of its own and may arrive a moment later.
  EXPECT_TRUE(session.waitUntil([&] {
    return session.screen().cursor() == CursorPos{4, 0};
  })) << session.dump();
  EXPECT_EQ(session.screen().row(0), std::string(kDirectionPrompt) + "N");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(session.screen().row(i + 1), game::kEntranceLines[i]);
  session.send("x");
  ASSERT_TRUE(game::waitForDirectionPrompt(session)) << session.dump();

  // Quitting ends with status 0, leaving the screen and the terminal as they were.
  session.send("q\r");
  auto status = session.waitExit();
  EXPECT_TRUE(exitedWith(status, 0)) << describeStatus(status);
  EXPECT_EQ(session.screen().row(0), std::string(kDirectionPrompt) + "q") << session.dump();
  EXPECT_FALSE(session.screen().altScreen());
  EXPECT_TRUE(session.screen().cursorVisible());
  EXPECT_TRUE(session.settingsAsBefore());
}

}  // namespace
}  // namespace e2e
