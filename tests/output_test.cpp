#include "console/output.hpp"

#include <gtest/gtest.h>

#include "console_fixture.hpp"

namespace maze {
namespace {

using testing::ModelFixture;

void write(ConsoleState& console, const std::string& text) {
  consoleWrite(console, text.data(), text.size(), false);
}

void numberRows(TestScreen& screen) {
  for (int y = 0; y < screen.height(); ++y) screen.putText(0, y, "row" + std::to_string(y));
}

TEST(ConsoleWrite, WritesAtTheCursorWithTheCurrentAttribute) {
  ModelFixture f(20, 5);
  f.screen.setAttribute(0x2F);
  write(f.console, "Hello");
  EXPECT_EQ(f.screen.rowText(0), "Hello");
  EXPECT_EQ(f.screen.cell(4, 0).attr, 0x2F);
  EXPECT_EQ(f.screen.cursor().x, 5);
  EXPECT_EQ(f.host.flushCount(), 1u);
  // Up to the last column the text stays on its row; the wrap comes after it.
  write(f.console, std::string(14, '.'));
  EXPECT_EQ(f.screen.cursor().x, 19);
  EXPECT_EQ(f.screen.cursor().y, 0);
  write(f.console, "!");
  EXPECT_EQ(f.screen.cell(19, 0).ch, '!');
  EXPECT_EQ(f.screen.cursor().y, 1);
}

TEST(ConsoleWrite, WrapsAtTheBufferWidthAcrossManyBatches) {
  ModelFixture f(10, 100);
  std::string text;
  for (int i = 0; i < 600; ++i) text.push_back(static_cast<char>('a' + i % 26));
  write(f.console, text);
  EXPECT_EQ(f.screen.rowText(0), text.substr(0, 10));
  EXPECT_EQ(f.screen.rowText(59), text.substr(590, 10));
  EXPECT_EQ(f.screen.cursor().x, 0);
  EXPECT_EQ(f.screen.cursor().y, 60);
}

TEST(ConsoleWrite, FillingTheBottomRowDefersTheLineFeed) {
  ModelFixture f(10, 3);
  numberRows(f.screen);
  f.screen.placeCursor({0, 2});
  write(f.console, "0123456789");
  EXPECT_EQ(f.screen.rowText(0), "row0");  // nothing scrolled
  EXPECT_EQ(f.screen.rowText(2), "0123456789");
  EXPECT_EQ(f.screen.cursor().x, 9);
  EXPECT_EQ(f.screen.cursor().y, 2);
  EXPECT_TRUE(f.console.pendingLineFeed);

  write(f.console, "x");  // now the deferred scroll happens first
  EXPECT_EQ(f.screen.rowText(0), "row1");
  EXPECT_EQ(f.screen.rowText(1), "0123456789");
  EXPECT_EQ(f.screen.rowText(2), "x");
  EXPECT_FALSE(f.console.pendingLineFeed);
}

TEST(ConsoleWrite, TabAndBackspaceMeasureFromTheRowTheDeferredLineFeedBegins) {
  ModelFixture f(20, 3);
  f.screen.placeCursor({0, 2});
  write(f.console, std::string(20, 'a'));
  write(f.console, "\tZ");
  EXPECT_EQ(f.screen.cell(8, 2).ch, 'Z');
  f.screen.placeCursor({0, 2});
  write(f.console, std::string(20, 'b'));
  write(f.console, "x\b\bZ");  // the second BS is at the left column
  EXPECT_EQ(f.screen.rowText(2), "Z");
}

TEST(ConsoleWrite, AMoveOrClearDropsTheDeferredScroll) {
  ModelFixture f(10, 3);
  f.screen.placeCursor({0, 2});
  write(f.console, "0123456789");
  ASSERT_EQ(moveCursor(f.console, 1, 1, -1), 0);
  write(f.console, "y");
  EXPECT_EQ(f.screen.rowText(0), "y");
  EXPECT_EQ(f.screen.rowText(2), "0123456789");
}

TEST(ConsoleWrite, FinishPendingLineFeedScrollsOnlyWhenOneIsDeferred) {
  ModelFixture f(10, 3);
  numberRows(f.screen);
  f.screen.placeCursor({4, 1});
  finishPendingLineFeed(f.console);
  EXPECT_EQ(f.screen.rowText(0), "row0");
  EXPECT_EQ(f.screen.cursor().x, 4);
  f.screen.placeCursor({0, 2});
  write(f.console, "0123456789");
  finishPendingLineFeed(f.console);
  EXPECT_EQ(f.screen.rowText(0), "row1");
  EXPECT_EQ(f.screen.rowText(2), "");
  EXPECT_EQ(f.screen.cursor().x, 0);
  EXPECT_EQ(f.screen.cursor().y, 2);
}

TEST(ConsoleWrite, LineOfExactlyTheWidthLeavesAnEmptyRow) {
  ModelFixture f(10, 5);
  printLine(f.console, "0123456789");
  write(f.console, "next");
  EXPECT_EQ(f.screen.rowText(0), "0123456789");
  EXPECT_EQ(f.screen.rowText(1), "");
  EXPECT_EQ(f.screen.rowText(2), "next");
}

TEST(ConsoleWrite, CrLfOnTheBottomRowScrollsAtOnce) {
  ModelFixture f(10, 3);
  numberRows(f.screen);
  f.screen.placeCursor({4, 2});
  write(f.console, "\r\n");
  EXPECT_EQ(f.screen.rowText(0), "row1");
  EXPECT_EQ(f.screen.rowText(1), "row2");
  EXPECT_EQ(f.screen.rowText(2), "");
  EXPECT_EQ(f.screen.cursor().x, 0);
  EXPECT_EQ(f.screen.cursor().y, 2);
  EXPECT_FALSE(f.console.pendingLineFeed);
}

TEST(ConsoleWrite, SeveralLineFeedsScrollTogether) {
  ModelFixture f(10, 5);
  numberRows(f.screen);
  f.screen.placeCursor({0, 4});
  write(f.console, "\n\n\n");
  EXPECT_EQ(f.screen.rowText(0), "row3");
  EXPECT_EQ(f.screen.rowText(1), "row4");
  EXPECT_EQ(f.screen.rowText(2), "");
  EXPECT_EQ(f.screen.cursor().y, 4);
  // More line feeds than rows blank the whole region.
  write(f.console, std::string(7, '\n'));
  for (int y = 0; y < 5; ++y) EXPECT_EQ(f.screen.rowText(y), "");
}

TEST(ConsoleWrite, NumberWithLineEndAtTheBottomRightScrollsTwoRows) {
  ModelFixture f(10, 4);
  numberRows(f.screen);
  f.screen.placeCursor({8, 3});
  printInteger(f.console, 7, true);
  EXPECT_EQ(f.screen.rowText(0), "row2");
  EXPECT_EQ(f.screen.rowText(1), "row3     7");
  EXPECT_EQ(f.screen.rowText(2), "");
  EXPECT_EQ(f.screen.rowText(3), "");
  EXPECT_EQ(f.screen.cursor().y, 3);
}

struct TabCase {
  int width;
  int column;
  int blanks;
};

TEST(ConsoleWrite, TabAdvancesToTheNextMultipleOfEight) {
  for (const TabCase& c : {TabCase{80, 0, 8}, TabCase{80, 5, 3}, TabCase{80, 8, 8},
                           TabCase{80, 79, 1}, TabCase{20, 18, 6}}) {
    ModelFixture f(c.width, 5);
    f.screen.putText(0, 0, std::string(static_cast<std::size_t>(c.width), '.'));
    f.screen.putText(0, 1, std::string(static_cast<std::size_t>(c.width), '.'));
    f.screen.placeCursor({static_cast<std::int16_t>(c.column), 0});
    write(f.console, "\t|");
    const int end = c.column + c.blanks;
    EXPECT_EQ(f.screen.cell(end % c.width, end / c.width).ch, '|') << "tab at " << c.column;
    for (int i = c.column; i < end; ++i) {
      EXPECT_EQ(f.screen.cell(i % c.width, i / c.width).ch, ' ') << "tab at " << c.column;
    }
    EXPECT_EQ(f.screen.cell((end + 1) % c.width, (end + 1) / c.width).ch, '.');
  }
}

TEST(ConsoleWrite, TabOnTheLastColumnWrapsToTheNextRow) {
  ModelFixture f(80, 5);
  f.screen.placeCursor({79, 0});
  write(f.console, "\tx");
  EXPECT_EQ(f.screen.cell(79, 0).ch, ' ');
  EXPECT_EQ(f.screen.rowText(1), "x");
}

TEST(ConsoleWrite, BackspaceMovesLeftWithoutErasingAndNeverLeavesTheRow) {
  ModelFixture f(10, 3);
  write(f.console, "\b");
  EXPECT_EQ(f.screen.cursor().x, 0);
  write(f.console, "abc\b\bX");
  EXPECT_EQ(f.screen.rowText(0), "aXc");
  EXPECT_EQ(f.screen.cursor().x, 2);
  f.screen.placeCursor({0, 1});
  write(f.console, "\b\b");
  EXPECT_EQ(f.screen.cursor().y, 1);
  EXPECT_EQ(f.screen.cursor().x, 0);
}

TEST(ConsoleWrite, BellSoundsBeforeTheWaitingTextIsWritten) {
  ModelFixture f(10, 3);
  std::string atBeep;
  f.host.onBeep = [&] { atBeep = f.screen.rowText(0); };
  write(f.console, "AB\aC");
  ASSERT_EQ(f.host.beeps().size(), 1u);
  EXPECT_EQ(f.host.beeps()[0].frequency, 1000u);
  EXPECT_EQ(f.host.beeps()[0].durationMs, 250u);
  EXPECT_EQ(atBeep, "");
  EXPECT_EQ(f.screen.rowText(0), "ABC");
}

TEST(ConsoleWrite, OtherControlBytesAreOrdinaryCharacters) {
  ModelFixture f(40, 3);
  std::string bytes;
  for (int b = 0; b < 32; ++b) {
    if (b != 7 && b != 8 && b != 9 && b != 10 && b != 13) bytes.push_back(static_cast<char>(b));
  }
  consoleWrite(f.console, bytes.data(), bytes.size(), false);
  EXPECT_EQ(f.screen.rowText(0, true).substr(0, bytes.size()), bytes);
  EXPECT_EQ(f.screen.cursor().x, static_cast<int>(bytes.size()));
}

TEST(ConsoleWrite, WindowFollowsTheOutputDownATallerBuffer) {
  ModelFixture f(10, 6, 3);
  numberRows(f.screen);
  f.screen.placeCursor({0, 2});
  write(f.console, "\r\n");
  EXPECT_EQ(f.screen.window().top, 1);
  EXPECT_EQ(f.screen.window().bottom, 3);
  EXPECT_EQ(f.screen.rowText(0), "row0");  // kept above the window
  EXPECT_EQ(f.screen.cursor().y, 3);
  write(f.console, "\n\n\n\n");  // two more rows of room, then the buffer moves
  EXPECT_EQ(f.screen.window().top, 3);
  EXPECT_EQ(f.screen.window().bottom, 5);
  EXPECT_EQ(f.screen.rowText(0), "row2");
  EXPECT_EQ(f.screen.cursor().y, 5);
  EXPECT_EQ(f.console.windowRect.top, 3);  // read again at the end of the call
}

TEST(ConsoleWrite, AfterTheWindowHeightChangesOutputScrollsInsideTheFirstHeight) {
  ModelFixture f(10, 10, 4);
  write(f.console, "");
  finishPendingLineFeed(f.console);  // first use: the region is 4 rows
  numberRows(f.screen);
  f.screen.setWindow({0, 2, 9, 3});  // the user shrinks the window to 2 rows
  readWindowRect(f.console);
  f.screen.placeCursor({0, 5});  // the region's bottom: window top 2 + 4 - 1
  write(f.console, "\r\n");
  EXPECT_EQ(f.screen.rowText(1), "row1");  // outside the region, untouched
  EXPECT_EQ(f.screen.rowText(2), "row3");
  EXPECT_EQ(f.screen.rowText(4), "row5");
  EXPECT_EQ(f.screen.rowText(5), "");
  EXPECT_EQ(f.screen.rowText(6), "row6");
  // No window move is asked for; only placing the cursor brings it into view.
  EXPECT_EQ(f.screen.window().bottom, 5);
  EXPECT_EQ(f.screen.window().top, 4);
}

TEST(ConsoleWrite, FailedCellWriteDropsTheRestOfThatBatchOnly) {
  ModelFixture f(10, 3);
  write(f.console, "");  // first use
  f.screen.failWriteCellsCalls = 1;
  write(f.console, "abc\rxy");
  EXPECT_EQ(f.screen.rowText(0), "xy");
  EXPECT_EQ(f.screen.cursor().x, 2);
}

TEST(ConsoleWrite, FailedStateQueryFallsBackToTheRegionCorner) {
  ModelFixture f(80, 25);
  f.screen.placeCursor({5, 5});
  write(f.console, "");  // first use
  finishPendingLineFeed(f.console);
  f.screen.failInfoCalls = 1;
  write(f.console, "q");
  EXPECT_EQ(f.screen.cell(0, 0).ch, 'q');
  EXPECT_EQ(f.screen.cell(0, 0).attr, 7);
}

TEST(StreamMode, WritesEveryByteUnchanged) {
  ModelFixture f;
  f.screen.isConsole = false;
  printLine(f.console, "Hi\a\b\t");
  printInteger(f.console, -12, true);
  printText(f.console, "");
  finishPendingLineFeed(f.console);
  EXPECT_EQ(f.host.streamOutput(), "Hi\a\b\t\r\n-12\r\n");
  EXPECT_TRUE(f.host.beeps().empty());
}

TEST(StreamMode, PartialWritesAreRetriedAndStuckWritesGiveUp) {
  ModelFixture f;
  f.screen.isConsole = false;
  f.host.writeLimit = 3;
  printText(f.console, "0123456789");
  EXPECT_EQ(f.host.streamOutput(), "0123456789");

  f.host.writeLimit = 0;  // success, but nothing taken: must not spin
  printText(f.console, "lost");
  f.host.writeLimit = -1;
  f.host.failWriteCalls = 1;
  printText(f.console, "also lost");
  printText(f.console, "!");
  EXPECT_EQ(f.host.streamOutput(), "0123456789!");
}

}  // namespace
}  // namespace maze
