// A started console on the in-memory model, for the console services' tests.
#pragma once

#include <string>

#include "console/console.hpp"
#include "console/screen.hpp"
#include "platform/model/model_console.hpp"

namespace maze::testing {

struct ModelFixture {
  explicit ModelFixture(int width = 80, int height = 25, int windowHeight = 0)
      : model(width, height, windowHeight), console(model) {
    startConsole(console, 0, nullptr);
  }

  // The typed line as inputLine would leave it, without the editor.
  void setLine(const std::string& line) {
    console.inputBuffer = line;
    console.readPosition = 0;
  }

  ModelConsole model;
  ConsoleState console;
};

}  // namespace maze::testing
