// A started console on the in-memory screen and the test host: the one
// fixture of the console services' and the game's tests.
#pragma once

#include <string>

#include "console/console.hpp"
#include "console/output.hpp"
#include "console/screen.hpp"
#include "support/test_host.hpp"
#include "support/test_screen.hpp"

namespace maze {

struct TestConsole {
  explicit TestConsole(int width = 80, int height = 25, int windowHeight = 0)
      : screen(width, height, windowHeight) {
    startConsole(console, 0, nullptr);
  }

  // The typed line as inputLine would leave it, without the editor.
  void setLine(const std::string& line) {
    console.inputBuffer = line;
    console.readPosition = 0;
  }
  void write(const std::string& text) {
    consoleWrite(console, text.data(), text.size(), WriteEmpty::Skip);
  }
  // Rows that show where they came from once scrolled.
  void numberRows() {
    for (int y = 0; y < screen.height(); ++y) screen.putText(0, y, "row" + std::to_string(y));
  }
  void fillWith(char ch) {
    for (int y = 0; y < screen.height(); ++y) screen.putText(0, y, std::string(screen.width(), ch));
  }

  TestScreen screen;
  TestHost host;
  ConsoleState console{host, screen};
};

}  // namespace maze
