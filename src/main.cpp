// Program entry: the one place that knows which console backend runs.
#include "console/console.hpp"
#include "game/entrance.hpp"
#include "game/maze.hpp"

#ifdef _WIN32
#include "platform/win32/win32_platform.hpp"
#else
#include "platform/posix/posix_platform.hpp"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  maze::Win32Platform platform;
#else
  maze::PosixPlatform platform;
#endif
  maze::ConsoleState console(platform);
  maze::GameState game;
  maze::runGame(console, game, argc, argv);
}
