#pragma once

#include <optional>
#include <string>

namespace e2e {

// "exited 0", "killed by SIGINT", "stopped by SIGTSTP", "still running" for messages.
std::string describeStatus(std::optional<int> status);
bool exitedWith(std::optional<int> status, int code);
bool killedBy(std::optional<int> status, int sig);

}  // namespace e2e
