#include "support/game_screen.hpp"

namespace e2e::game {

std::string shown(std::string_view text) {
  std::string row(text);
  while (!row.empty() && row.back() == ' ') row.pop_back();
  return row;
}

bool showsDirectionPrompt(const VtermScreen& screen, std::string_view typed) {
  std::string line = std::string(kDirectionPrompt) + std::string(typed);
  if (screen.row(0) != shown(line)) return false;
  for (int r = 1; r < screen.rows(); ++r) {
    if (!screen.row(r).empty()) return false;
  }
  return screen.cursor() == CursorPos{0, static_cast<int>(line.size())};
}

bool waitForDirectionPrompt(PtySession& session, std::string_view typed, Millis limit) {
  return session.waitUntil([&] { return showsDirectionPrompt(session.screen(), typed); }, limit);
}

}  // namespace e2e::game
