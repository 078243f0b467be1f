#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace e2e {

enum class StdoutTarget {
  kPipe,        // collected
  kClosedPipe,  // a pipe whose reading end is already closed: every write fails
  kDevFull,     // every write fails with "no space"
};

struct PipedOptions {
  std::string input;
  StdoutTarget stdoutTarget = StdoutTarget::kPipe;
  // The program inherits SIGPIPE ignored, so broken-pipe writes fail instead of killing it.
  bool ignoreSigpipe = false;
  std::chrono::milliseconds limit{10000};
};

struct PipedResult {
  std::string output;
  std::optional<int> status;  // wait status; nothing if it had to be killed
  std::chrono::milliseconds elapsed{0};
};

// Runs the program with standard input and output as pipes (no terminal at all).
PipedResult runPiped(const PipedOptions& options);

}  // namespace e2e
