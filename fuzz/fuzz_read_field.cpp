// Splits arbitrary typed lines into fields: every call must move on, no
// field may outgrow the cap, and the read position stays in the line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "console/console.hpp"
#include "invariants.hpp"
#include "support/test_host.hpp"
#include "support/test_screen.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  maze::TestHost host;
  maze::TestScreen screen;
  maze::ConsoleState console(host, screen);
  console.inputBuffer.assign(reinterpret_cast<const char*>(data), size);
  console.readPosition = 0;

  // Enough calls to read every field, plus some past the end.
  for (std::size_t call = 0; call < size + 3; ++call) {
    const std::size_t before = console.readPosition;
    const std::string field = maze::readField(console);
    if (console.readPosition > console.inputBuffer.size()) {
      maze::fuzz::broken("read position past the line");
    }
    if (field.size() > 4096) maze::fuzz::broken("field longer than the cap");
    if (before < size && console.readPosition == before) {
      maze::fuzz::broken("readField did not move on");
    }
    if (field.size() > console.readPosition - before) {
      maze::fuzz::broken("field longer than what was read");
    }
  }
  if (console.readPosition != size) maze::fuzz::broken("line not read to its end");
  return 0;
}
