// Editing an answer with the keys a player's terminal sends.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "support/game_screen.hpp"
#include "support/keys.hpp"
#include "support/pty_session.hpp"
#include "support/wait_status.hpp"

namespace e2e {
namespace {

using game::kDirectionPrompt;
const int kPromptWidth = static_cast<int>(kDirectionPrompt.size());

class LineEditing : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(game::waitForDirectionPrompt(session_)) << session_.dump(); }

  // Sends keys and waits until the answer shows as `line` with the cursor on column `at`
  // of the answer (counted from its first character).
  void type(std::string_view keys, std::string_view line, int at) {
    session_.send(keys);
    std::string row = game::shown(std::string(kDirectionPrompt) + std::string(line));
    bool shown = session_.waitUntil([&] {
      return session_.screen().row(0) == row &&
             session_.screen().cursor() == CursorPos{0, kPromptWidth + at};
    });
    ASSERT_TRUE(shown) << "expected \"" << line << "\" with the cursor on " << at << "\n"
                       << session_.dump();
  }

  void expectAcceptedAsNorth() {
    session_.send(keys::kEnter);
    ASSERT_TRUE(session_.waitForText(game::kEntranceLines[0])) << session_.dump();
    EXPECT_EQ(session_.screen().row(0), std::string(kDirectionPrompt) + "n");
  }

  PtySession session_;
};

TEST_F(LineEditing, LeftAndDeleteRemoveTheCharacterUnderTheCursor) {
  type("nx", "nx", 2);
  type(keys::kLeft, "nx", 1);
  type(keys::kDelete, "n", 1);
  expectAcceptedAsNorth();
}

TEST_F(LineEditing, HomeEndAndBackspaceMoveAndDelete) {
  type("xs", "xs", 2);
  type(keys::kHome, "xs", 0);
  type(keys::kDelete, "s", 0);
  type(keys::kEnd, "s", 1);
  type(keys::kBackspace, "", 0);
  type("bc", "bc", 2);
  type(keys::kHomeTilde, "bc", 0);
  type("a", "abc", 1);
  type(keys::kEndTilde, "abc", 3);
  type(keys::kCtrlH, "ab", 2);
  type(keys::kBackspace, "a", 1);
  type(keys::kBackspace, "", 0);
  type(keys::kBackspace, "", 0);
  type("n", "n", 1);
  expectAcceptedAsNorth();
}

TEST_F(LineEditing, EscClearsTheWholeLineAndAKeySplit90msApartIsOneKey) {
  type("sss", "sss", 3);
  type(keys::kLeft, "sss", 2);
  // A remote link with 100 ms of jitter may split a key between packets.
  session_.send(keys::kEsc);
  std::this_thread::sleep_for(Millis{90});
  type("[D", "sss", 1);
  // A lone Esc is only known once nothing follows it, so wait for it before typing on.
  type(keys::kEsc, "", 0);
  type("n", "n", 1);
  expectAcceptedAsNorth();
}

TEST_F(LineEditing, CursorKeysInBothEncodingsInsertNothing) {
  type("nx", "nx", 2);
  for (auto key : {keys::kUp, keys::kUpSs3, keys::kDown, keys::kDownSs3, keys::kF1, keys::kPageUp,
                   keys::kInsert}) {
    type(key, "nx", 2);
  }
  type(keys::kLeftSs3, "nx", 1);
  type(keys::kLeftSs3, "nx", 0);
  type(keys::kRightSs3, "nx", 1);
  type(keys::kRight, "nx", 2);
  type(keys::kLeft, "nx", 1);
  type(keys::kDelete, "n", 1);
  expectAcceptedAsNorth();
}

TEST_F(LineEditing, DeleteAtTheEndRingsTheBellAndChangesNothing) {
  type("n", "n", 1);
  int bells = session_.screen().bells();
  session_.send(keys::kDelete);
  ASSERT_TRUE(session_.waitUntil([&] { return session_.screen().bells() > bells; })) << "no bell";
  type("", "n", 1);
  type("x", "nx", 2);
  type(keys::kBackspace, "n", 1);
  EXPECT_EQ(session_.screen().bells(), bells + 1) << "rung again by what came after";
  expectAcceptedAsNorth();
}

TEST_F(LineEditing, ALongAnswerWrapsOntoTheNextRow) {
  const int firstRowRoom = 80 - kPromptWidth;
  std::string line(static_cast<size_t>(firstRowRoom + 4), 'x');
  session_.send(line);
  auto wrapped = [&] {
    return session_.screen().row(0) ==
               std::string(kDirectionPrompt) + line.substr(0, static_cast<size_t>(firstRowRoom)) &&
           session_.screen().row(1) == "xxxx" && session_.screen().cursor() == CursorPos{1, 4};
  };
  ASSERT_TRUE(session_.waitUntil(wrapped)) << session_.dump();

  session_.send(keys::kBackspace);
  ASSERT_TRUE(session_.waitUntil([&] {
    return session_.screen().row(1) == "xxx" && session_.screen().cursor() == CursorPos{1, 3};
  })) << session_.dump();
  session_.send(keys::kHome);
  ASSERT_TRUE(session_.waitUntil([&] {
    return session_.screen().cursor() == CursorPos{0, kPromptWidth};
  })) << session_.dump();
  session_.send(keys::kEsc);
  ASSERT_TRUE(game::waitForDirectionPrompt(session_)) << session_.dump();
  type("n", "n", 1);
  expectAcceptedAsNorth();
}

}  // namespace
}  // namespace e2e
