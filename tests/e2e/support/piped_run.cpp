#include "support/piped_run.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "support/system_calls.hpp"

namespace e2e {

namespace {

void closeFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

[[noreturn]] void runChild(int in, int out, bool ignoreSigpipe) {
  dup2(in, STDIN_FILENO);
  dup2(out, STDOUT_FILENO);
  std::signal(SIGPIPE, ignoreSigpipe ? SIG_IGN : SIG_DFL);
  // Detached from any terminal, as in a pipeline run from a script.
  setsid();
  char* argv[] = {const_cast<char*>(MAZE_BINARY), nullptr};
  execv(argv[0], argv);
  _exit(127);
}

}  // namespace

PipedResult runPiped(const PipedOptions& options) {
  // A program that stops reading must not take the test down with it.
  std::signal(SIGPIPE, SIG_IGN);

  int in[2];
  int out[2] = {-1, -1};
  if (pipe2(in, O_CLOEXEC) != 0) fail("pipe");
  int childOut = -1;
  switch (options.stdoutTarget) {
    case StdoutTarget::kPipe:
    case StdoutTarget::kClosedPipe:
      if (pipe2(out, O_CLOEXEC) != 0) fail("pipe");
      childOut = out[1];
      if (options.stdoutTarget == StdoutTarget::kClosedPipe) closeFd(out[0]);
      break;
    case StdoutTarget::kDevFull:
      childOut = open("/dev/full", O_WRONLY | O_CLOEXEC);
      if (childOut < 0) fail("/dev/full");
      break;
  }

  auto start = Clock::now();
  pid_t pid = fork();
  if (pid < 0) fail("fork");
  if (pid == 0) runChild(in[0], childOut, options.ignoreSigpipe);
  close(in[0]);
  close(childOut);
  int toChild = in[1];
  int fromChild = out[0];
  fcntl(toChild, F_SETFL, O_NONBLOCK);

  PipedResult result;
  std::string_view pending = options.input;
  if (pending.empty()) closeFd(toChild);
  auto deadline = start + options.limit;
  std::optional<int> status;
  while (Clock::now() < deadline) {
    pollfd fds[2] = {{toChild, POLLOUT, 0}, {fromChild, POLLIN, 0}};
    if (toChild < 0 && fromChild < 0) {
      int s;
      pid_t got = waitpid(pid, &s, WNOHANG);
      if (got == pid) {
        status = s;
        break;
      }
      poll(nullptr, 0, 5);
      continue;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    poll(fds, 2, static_cast<int>(std::max<long>(left.count(), 0)));
    if (fds[0].revents & (POLLOUT | POLLERR | POLLHUP)) {
      ssize_t n = write(toChild, pending.data(), pending.size());
      if (n > 0) pending.remove_prefix(static_cast<size_t>(n));
      if (n < 0 && errno != EAGAIN && errno != EINTR) pending = {};
      if (pending.empty()) closeFd(toChild);
    }
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
      char buffer[65536];
      ssize_t n = read(fromChild, buffer, sizeof buffer);
      if (n > 0) {
        result.output.append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        closeFd(fromChild);
      }
    }
  }
  if (!status) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  closeFd(toChild);
  closeFd(fromChild);
  result.status = status;
  result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  return result;
}

}  // namespace e2e
