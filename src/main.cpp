// Program entry: the one place that knows which host and screen run.
#include "console/console.hpp"
#include "game/entrance.hpp"
#include "game/maze.hpp"

#ifdef _WIN32
#include "platform/win32/win32_host.hpp"
#include "platform/win32/win32_screen.hpp"
#elif defined(__EMSCRIPTEN__)
#include "platform/web/web_host.hpp"
#else
#include "platform/posix/terminal_host.hpp"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  maze::Win32Host host;
  maze::Win32Screen screen;
#elif defined(__EMSCRIPTEN__)
  maze::WebHost host;
  maze::ScreenBuffer& screen = host.screen();
#else
  maze::TerminalHost host;
  maze::ScreenBuffer& screen = host.screen();
#endif
  maze::ConsoleState console(host, screen);
  maze::GameState game;
  maze::runGame(console, game, argc, argv);
}
