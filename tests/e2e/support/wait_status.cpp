#include "support/wait_status.hpp"

#include <sys/wait.h>

#include <cstring>

namespace e2e {

namespace {

std::string signalName(int sig) {
  const char* abbrev = sigabbrev_np(sig);
  return abbrev ? std::string("SIG") + abbrev : "signal " + std::to_string(sig);
}

}  // namespace

std::string describeStatus(std::optional<int> status) {
  if (!status) return "still running";
  int s = *status;
  if (WIFEXITED(s)) return "exited " + std::to_string(WEXITSTATUS(s));
  if (WIFSIGNALED(s)) {
    return "killed by " + signalName(WTERMSIG(s)) + (WCOREDUMP(s) ? " (core)" : "");
  }
  if (WIFSTOPPED(s)) return "stopped by " + signalName(WSTOPSIG(s));
  if (WIFCONTINUED(s)) return "continued";
  return "status " + std::to_string(s);
}

bool exitedWith(std::optional<int> status, int code) {
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

bool killedBy(std::optional<int> status, int sig) {
  return status && WIFSIGNALED(*status) && WTERMSIG(*status) == sig;
}

}  // namespace e2e
