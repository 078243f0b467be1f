// What is new on the in-memory screen, as lines of text for a player who
// cannot see it (a screen reader's live region). It sees every record of
// changes the screen hands out, so rows that scroll away or are cleared
// before anyone is told are still told. What the player types lands where the
// program last asked, and is theirs, not the program's: it is never told.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/memory/memory_screen.hpp"

namespace maze {

class ScreenTranscript {
 public:
  // Takes in one record of what the screen's calls changed.
  void observe(const MemoryScreen& screen, const ScreenChanges& changes);
  // The player's line has ended: what comes next is the program's again.
  void endInput() { inputAt_.reset(); }
  // The lines the program wrote since the last call, in order, a line
  // wrapped over several rows as one. When there are any, what is written
  // from the cursor on is the player's typing from now on.
  std::vector<std::string> take(const MemoryScreen& screen);

 private:
  bool typedAt(const MemoryScreen& screen, int y, const std::string& text) const;
  void scrollUp(int count);

  std::vector<std::string> rows_;  // each buffer row's text as last seen
  std::vector<bool> fresh_;        // written by the program since the last take
  std::vector<std::string> gone_;  // fresh rows scrolled away or cleared
  std::optional<Coord> inputAt_;   // where the player's typing goes
  bool anyFresh_ = false;
};

}  // namespace maze
