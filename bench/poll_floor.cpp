// The least a 25 ms input poll can cost: waits on standard input, 25 ms at a
// time, until something arrives. Measured beside the game at a prompt.
#include <poll.h>

int main() {
  pollfd input{0, POLLIN, 0};
  for (;;) {
    input.revents = 0;
    if (poll(&input, 1, 25) > 0) return 0;
  }
}
