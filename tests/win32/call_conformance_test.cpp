// Each sequence of console calls runs once on a real console screen buffer
// through the native backend and once on the in-memory console; the call
// results and the whole resulting state must agree.
#include <gtest/gtest.h>

#include "conformance.hpp"

namespace maze::testing {
namespace {

void fillBoth(ScreenBuffer& s, CallLog& log, std::uint8_t ch, std::uint16_t attr,
              std::uint32_t length, Coord start) {
  std::uint32_t written = 0;
  log("fill character", s.fillCharacter(ch, length, start, written)).with("written", written);
  log("fill attribute", s.fillAttribute(attr, length, start, written)).with("written", written);
}

TEST(CallConformance, FillsRunIntoTheNextRowsAndStopAtTheBufferEnd) {
  EXPECT_SAME_AS_REAL_CONSOLE(12, 6, 6, [](Host&, ScreenBuffer& s, CallLog& log) {
    fillBoth(s, log, 'x', 0xE, 15, at(9, 1));    // past the row end
    fillBoth(s, log, '*', 0xC, 1000, at(3, 4));  // past the buffer end
    fillBoth(s, log, '#', 0xA, 1, at(11, 5));    // the very last cell
  });
}

TEST(CallConformance, FillsFromEdgeStarts) {
  EXPECT_SAME_AS_REAL_CONSOLE(12, 6, 6, [](Host&, ScreenBuffer& s, CallLog& log) {
    fillBoth(s, log, 'z', 0x9, 0, at(2, 2));   // nothing to fill
    fillBoth(s, log, 'z', 0x9, 5, at(0, 6));   // the row below the buffer
    fillBoth(s, log, 'z', 0x9, 5, at(0, -1));  // the row above it
    fillBoth(s, log, 'q', 0x3, 4, at(14, 1));  // a column past the row's end
    fillBoth(s, log, 'r', 0x5, 3, at(-2, 3));  // a negative column
    fillBoth(s, log, 's', 0x6, 3, at(13, 5));  // past the end on the last row
  });
}

void writeBlock(ScreenBuffer& s, CallLog& log, Coord size, Coord origin, SmallRect target) {
  std::vector<CharCell> cells(static_cast<std::size_t>(size.x) * size.y);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    cells[i] = {static_cast<std::uint8_t>('A' + i % 26), static_cast<std::uint16_t>(i % 16)};
  }
  log("write cells", s.writeCells(cells.data(), size, origin, target)).with(target);
}

TEST(CallConformance, CellWritesAreClippedToSourceAndBuffer) {
  EXPECT_SAME_AS_REAL_CONSOLE(12, 6, 6, [](Host&, ScreenBuffer& s, CallLog& log) {
    writeBlock(s, log, at(4, 2), at(0, 0), rect(1, 1, 4, 2));    // inside
    writeBlock(s, log, at(6, 1), at(0, 0), rect(8, 0, 13, 0));   // past the right edge
    writeBlock(s, log, at(3, 4), at(0, 0), rect(0, 4, 2, 7));    // past the bottom
    writeBlock(s, log, at(5, 3), at(2, 1), rect(6, 2, 11, 5));   // source shorter than target
    writeBlock(s, log, at(3, 3), at(1, 1), rect(9, 3, 9, 3));    // one cell from inside
    writeBlock(s, log, at(3, 2), at(0, 0), rect(11, 5, 20, 9));  // the last cell only
  });
}

TEST(CallConformance, CellWritesThatWriteNothing) {
  EXPECT_SAME_AS_REAL_CONSOLE(12, 6, 6, [](Host&, ScreenBuffer& s, CallLog& log) {
    writeBlock(s, log, at(3, 2), at(0, 0), rect(12, 0, 14, 1));   // right of the buffer
    writeBlock(s, log, at(3, 2), at(0, 0), rect(0, 6, 2, 7));     // below the buffer
    writeBlock(s, log, at(3, 2), at(0, 0), rect(12, 6, 14, 7));   // both
    writeBlock(s, log, at(3, 2), at(0, 0), rect(-1, 1, 1, 2));    // from a negative column
    writeBlock(s, log, at(3, 2), at(0, 0), rect(-2, 0, 1, 0));    // wider than the source too
    writeBlock(s, log, at(3, 2), at(0, 0), rect(1, -1, 3, 0));    // from a negative row
    writeBlock(s, log, at(3, 2), at(0, 0), rect(10, -1, 12, 1));  // negative row, clipped
  });
}

void scroll(ScreenBuffer& s, CallLog& log, SmallRect source, const SmallRect* clip,
            Coord destination, CharCell fill) {
  log("scroll", s.scrollRect(source, clip, destination, fill));
}

TEST(CallConformance, ScrollsMoveBlocksAndFillWhatTheyLeave) {
  EXPECT_SAME_AS_REAL_CONSOLE(12, 7, 7, [](Host&, ScreenBuffer& s, CallLog& log) {
    // The whole buffer up by one, as output scrolls.
    scroll(s, log, rect(0, 1, 11, 6), nullptr, at(0, 0), {' ', 0x7});
    // Overlapping moves: down-right, then up-left.
    scroll(s, log, rect(1, 1, 6, 4), nullptr, at(3, 2), {'.', 0x2});
    scroll(s, log, rect(4, 3, 10, 5), nullptr, at(2, 1), {',', 0x4});
    // Without overlap, and onto itself.
    scroll(s, log, rect(0, 0, 2, 1), nullptr, at(9, 5), {'-', 0x1});
    scroll(s, log, rect(5, 5, 7, 6), nullptr, at(5, 5), {'=', 0x3});
    // A destination that runs off the buffer keeps only what fits.
    scroll(s, log, rect(0, 0, 5, 2), nullptr, at(8, 5), {'~', 0x6});
  });
}

TEST(CallConformance, ScrollsInsideAClipRectangle) {
  EXPECT_SAME_AS_REAL_CONSOLE(12, 7, 7, [](Host&, ScreenBuffer& s, CallLog& log) {
    const SmallRect region = rect(0, 2, 11, 5);
    scroll(s, log, rect(0, 3, 11, 5), &region, at(0, 2), {' ', 0x7});
    // The clip cuts both the source and the destination.
    const SmallRect clip = rect(2, 1, 8, 4);
    scroll(s, log, rect(0, 0, 5, 3), &clip, at(4, 2), {'+', 0x5});
    // A clip reaching past the buffer is cut at its edges.
    const SmallRect wide = rect(-3, -2, 20, 3);
    scroll(s, log, rect(0, 4, 11, 6), &wide, at(0, 2), {'!', 0x8});
    // Destination wholly outside the clip: only the fill happens.
    const SmallRect top = rect(0, 0, 11, 1);
    scroll(s, log, rect(0, 0, 3, 1), &top, at(6, 4), {'?', 0x9});
  });
}

TEST(CallConformance, CursorPositionsAtAndPastTheEdges) {
  EXPECT_SAME_AS_REAL_CONSOLE(12, 10, 4, [](Host&, ScreenBuffer& s, CallLog& log) {
    for (const Coord c : {at(11, 0), at(0, 9), at(11, 9), at(12, 0), at(0, 10), at(-1, 3),
                          at(3, -1), at(5, 2), at(0, 6), at(4, 7), at(0, 0)}) {
      log("cursor " + std::to_string(c.x) + "," + std::to_string(c.y), s.setCursorPosition(c));
      ScreenBufferInfo info;
      log("info", s.getInfo(info))
          .with("x", info.cursor.x)
          .with("y", info.cursor.y)
          .with(info.window);
    }
  });
}

TEST(CallConformance, CursorShapeLimits) {
  EXPECT_SAME_AS_REAL_CONSOLE(12, 6, 6, [](Host&, ScreenBuffer& s, CallLog& log) {
    CursorInfo info;
    log("get", s.getCursorInfo(info)).with("size", info.size).with("visible", info.visible);
    for (std::uint32_t size : {0u, 101u, 1u, 100u, 50u}) {
      log("set size " + std::to_string(size), s.setCursorInfo({size, false}));
      log("get", s.getCursorInfo(info)).with("size", info.size).with("visible", info.visible);
    }
    log("show", s.setCursorInfo({25, true}));
  });
}

TEST(CallConformance, WindowMovesInsideTheBufferOnly) {
  EXPECT_SAME_AS_REAL_CONSOLE(12, 10, 4, [](Host&, ScreenBuffer& s, CallLog& log) {
    auto window = [&](bool absolute, SmallRect r) {
      log("window", s.setWindowInfo(absolute, r));
      ScreenBufferInfo info;
      log("info", s.getInfo(info)).with(info.window);
    };
    window(true, rect(0, 6, 11, 9));    // to the bottom
    window(true, rect(0, 7, 11, 10));   // one row past it
    window(false, rect(0, -2, 0, -2));  // up two rows
    window(false, rect(0, -5, 0, -5));  // above the top
    window(true, rect(0, 3, 11, 2));    // inverted
    window(true, rect(-1, 0, 10, 3));   // left of the buffer
    window(true, rect(0, 2, 11, 3));    // smaller
    window(false, rect(0, 0, 0, 2));    // taller again
    window(true, rect(0, 0, 11, 3));    // back home
  });
}

TEST(CallConformance, WindowFollowsTheCursorIntoView) {
  EXPECT_SAME_AS_REAL_CONSOLE(12, 10, 4, [](Host&, ScreenBuffer& s, CallLog& log) {
    log("window", s.setWindowInfo(true, rect(0, 5, 11, 8)));
    log("cursor", s.setCursorPosition(at(3, 2)));  // above the window
    log("window", s.setWindowInfo(true, rect(0, 0, 11, 3)));
    log("cursor", s.setCursorPosition(at(3, 8)));  // below it
    log("cursor", s.setCursorPosition(at(0, 5)));  // inside: stays
  });
}

// Where wine's console differs from Microsoft's, the model keeps
// Microsoft's behaviour. These cases state wine's side, so a change in
// either shows up here; the console services never make these calls.
TEST(CallConformanceKnownWineDifferences, WineAcceptsCellWritesOfNoCells) {
  const Outcomes outcomes = runBoth(12, 6, 6, [](Host&, ScreenBuffer& s, CallLog& log) {
    writeBlock(s, log, at(3, 2), at(3, 0), rect(0, 0, 2, 1));  // origin past the source
    writeBlock(s, log, at(3, 2), at(0, 2), rect(0, 0, 2, 1));  // origin below the source
    writeBlock(s, log, at(3, 2), at(0, 0), rect(4, 0, 2, 1));  // inverted
  });
  if (!outcomes.ran) GTEST_SKIP() << "no console: run this under a terminal";
  for (const std::string& call : outcomes.real.calls)
    EXPECT_NE(call.find(" ok"), std::string::npos);
  for (const std::string& call : outcomes.model.calls) {
    EXPECT_NE(call.find(" failed"), std::string::npos);
  }
  EXPECT_EQ(outcomes.real.screen, outcomes.before);
  EXPECT_EQ(outcomes.model.screen, outcomes.before);
}

TEST(CallConformanceKnownWineDifferences, WineRejectsScrollsReachingOffTheBuffer) {
  const Outcomes outcomes = runBoth(12, 6, 6, [](Host&, ScreenBuffer& s, CallLog& log) {
    scroll(s, log, rect(-2, 0, 3, 2), nullptr, at(4, 2), {'.', 7});   // source partly off
    scroll(s, log, rect(14, 0, 16, 2), nullptr, at(1, 1), {'.', 7});  // source wholly off
    scroll(s, log, rect(0, 0, 3, 2), nullptr, at(-1, 2), {'.', 7});   // negative destination
    scroll(s, log, rect(0, 0, 3, 2), nullptr, at(12, 2), {'.', 7});   // destination off
  });
  if (!outcomes.ran) GTEST_SKIP() << "no console: run this under a terminal";
  for (const std::string& call : outcomes.real.calls) {
    EXPECT_NE(call.find(" failed"), std::string::npos);
  }
  for (const std::string& call : outcomes.model.calls)
    EXPECT_NE(call.find(" ok"), std::string::npos);
  EXPECT_EQ(outcomes.real.screen, outcomes.before);
}

TEST(CallConformanceKnownWineDifferences, WineLeavesTheWindowWhenTheCursorStaysPut) {
  const Outcomes outcomes = runBoth(12, 10, 4, [](Host&, ScreenBuffer& s, CallLog& log) {
    log("cursor", s.setCursorPosition(at(2, 1)));
    log("window", s.setWindowInfo(true, rect(0, 5, 11, 8)));
    log("same cursor", s.setCursorPosition(at(2, 1)));
    ScreenBufferInfo info;
    log("info", s.getInfo(info)).with(info.window);
  });
  if (!outcomes.ran) GTEST_SKIP() << "no console: run this under a terminal";
  EXPECT_EQ(outcomes.real.calls.back(), "info ok rect=0,5-11,8");
  EXPECT_EQ(outcomes.model.calls.back(), "info ok rect=0,1-11,4");
}

}  // namespace
}  // namespace maze::testing
