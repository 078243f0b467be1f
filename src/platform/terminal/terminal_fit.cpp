#include "platform/terminal/terminal_fit.hpp"

#include <algorithm>

namespace maze {
namespace {

constexpr int kMaxScreenSide = 1000;

}  // namespace

int terminalSide(int reported) { return std::clamp(reported, 1, kMaxScreenSide); }

void fitTerminal(TerminalScreen& screen, TerminalRenderer& renderer, int columns, int rows) {
  screen.fitWindow(terminalSide(columns), terminalSide(rows));
  renderer.resize(terminalSide(columns), terminalSide(rows));
}

}  // namespace maze
