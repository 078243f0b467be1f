#include "game/maze.hpp"

#include "console/keyboard.hpp"
#include "console/output.hpp"
#include "console/screen.hpp"

namespace maze {

void loadMap(RoomTable& rooms) {
  // Two digits after each direction letter name the room that way leads to;
  // "00" leads out of the maze. T (treasure) or H (hole) stands last.
  rooms = {"",          "N04S00E02W03", "N02S23E02W01", "E01W21",       "N05S01E07",
           "S04E06",    "N08S07W05",    "N06W04T",      "N12S06E09",    "N11S10W08T",
           "N09E00",    "N00S09W12",    "S08E11W13",    "S14E12W15",    "N13W16T",
           "S16E13W00", "N15S17E14",    "N16S19W18",    "N22E17T",      "N17W20",
           "S21E19",    "N20E03",       "S18H",         "N02S23E24W23", "W23H"};
}

std::int32_t drawUpTo(ConsoleState& console, int n) { return roundToInt(rnd(console, 1) * n); }

bool isLetterAnswer(const std::string& answer, char letter) {
  // ASCII letters only: the answers never depend on a locale.
  const char lower =
      letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter - 'A' + 'a') : letter;
  const char upper = lower >= 'a' && lower <= 'z' ? static_cast<char>(lower - 'a' + 'A') : lower;
  return answer.size() == 1 && (answer[0] == lower || answer[0] == upper);
}

void askDirection(ConsoleState& console, std::string& answer) {
  for (;;) {
    clearScreen(console);
    inputLine(console, "Choose A Direction (N, S, E, W) (Or Press Q To Quit) ", QuestionMark::Omit,
              LineEnd::Add);
    answer = readField(console);
    // Quitting is tested first.
    if (isLetterAnswer(answer, 'q')) endProgram(console, 0);
    for (const char letter : {'n', 's', 'e', 'w'}) {
      if (isLetterAnswer(answer, letter)) return;
    }
  }
}

void waitForAnyKey(ConsoleState& console) {
  // Sleeps on the input rather than spinning; a key that arrives is taken at
  // once.
  for (;;) {
    if (!inkey(console).empty()) return;
    waitForInputEvent(console, kInfinite);
  }
}

void dieWith(ConsoleState& console, std::initializer_list<const char*> lines) {
  for (const char* line : lines) printLine(console, line);
  printLine(console, "You have died, you lose");
  waitForAnyKey(console);
  endProgram(console, 0);
}

}  // namespace maze
