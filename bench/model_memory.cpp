// Plays one endless game on the in-memory screen and reports the heap in
// use after 100 turns and after 100,000: a game that keeps nothing per turn
// holds the same memory at both points.
#include <malloc.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "game/entrance.hpp"
#include "game/maze.hpp"
#include "support/test_host.hpp"
#include "support/test_screen.hpp"

namespace {

using maze::GameState;
using maze::TestHost;
using maze::TestScreen;

struct Finished {};

// A player who walks a fixed round of safe caves (1 N 4 S 1 E 2 W 1 W 3 E 1),
// runs back from every gnome and declines to leave.
class Player {
 public:
  Player(TestHost& host, const TestScreen& screen, GameState& game, long turns)
      : host_(host), screen_(screen), game_(game), checkpoints_{100, turns} {
    heap_.reserve(checkpoints_.size());  // so that measuring allocates nothing
  }

  void onIdle() {
    const std::string row = screen_.rowText(screen_.cursor().y);
    if (row.rfind("Choose A Direction", 0) == 0) {
      if (gnome_) {
        host_.typeText(reverse(game_.moveAnswer) + "\r");
        gnome_ = false;
        return;
      }
      if (!entered_) {
        host_.typeText("n\r");
        entered_ = true;
        return;
      }
      ++turns_;
      if (turns_ == checkpoints_[next_]) {
        heap_.push_back(heapInUse());
        if (++next_ == checkpoints_.size()) throw Finished{};
      }
      static constexpr const char* kRound[] = {"n", "s", "e", "w", "w", "e"};
      host_.typeText(std::string(kRound[(turns_ - 1) % 6]) + "\r");
    } else if (row.rfind("Are you sure", 0) == 0) {
      host_.typeText("n\r");
    } else {
      gnome_ = screen_.windowText().find("Run back the way you came") != std::string::npos;
      host_.typeText(" ");
    }
  }

  const std::vector<std::size_t>& heap() const { return heap_; }

 private:
  static std::string reverse(const std::string& move) {
    if (move == "n") return "s";
    if (move == "s") return "n";
    if (move == "e") return "w";
    return "e";
  }

  static std::size_t heapInUse() { return mallinfo2().uordblks; }

  TestHost& host_;
  const TestScreen& screen_;
  GameState& game_;
  std::vector<long> checkpoints_;
  std::size_t next_ = 0;
  std::vector<std::size_t> heap_;
  long turns_ = 0;
  bool entered_ = false;
  bool gnome_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  const long turns = argc > 1 ? std::stol(argv[1]) : 100'000;
  TestScreen screen(80, 25);
  TestHost host;
  // Time passes a little at every reading, as on a real console, but slowly
  // enough that 100,000 turns stay well inside the collapse limit.
  host.msPerClockReading = 0.01;
  maze::ConsoleState console(host, screen);
  GameState game;
  Player player(host, screen, game, turns);
  host.onIdle = [&] { player.onIdle(); };
  try {
    maze::runGame(console, game, 0, nullptr);
  } catch (const Finished&) {
    std::printf("heap after 100 turns: %zu bytes\nheap after %ld turns: %zu bytes\n",
                player.heap()[0], turns, player.heap()[1]);
    return 0;
  } catch (const maze::ProcessExit& exit) {
    std::fprintf(stderr, "the game ended early (status %d):\n%s\n", exit.status,
                 screen.windowText().c_str());
  }
  return 1;
}
