// What the harness's system calls share: the clock their waits run on, and
// the end of a test whose harness cannot do without a call.
#pragma once

#include <chrono>
#include <string>

namespace e2e {

using Clock = std::chrono::steady_clock;

// Throws, naming the call and errno's reason.
[[noreturn]] void fail(const std::string& what);

}  // namespace e2e
