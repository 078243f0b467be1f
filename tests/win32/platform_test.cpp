// The native backend's own parts: the control handler list behind the one
// trampoline, a piped standard input served as key events, and the calls a
// stream-mode output relies on.
#include <float.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>

#include "platform/win32/stream_input.hpp"
#include "platform/win32/win32_platform.hpp"

namespace maze {
namespace {

std::atomic<int> olderCalls{0};
std::atomic<int> newerCalls{0};
bool olderHandler(std::uint32_t) {
  ++olderCalls;
  return true;
}
bool newerHandler(std::uint32_t event) {
  ++newerCalls;
  return event == kCtrlCEvent;
}

TEST(Win32ControlHandlers, RunNewestFirstUntilOneHandlesTheEventAndWakeAWait) {
  Win32Platform platform;
  EXPECT_FALSE(platform.setCtrlHandler(newerHandler, false)) << "never added";
  ASSERT_TRUE(platform.setCtrlHandler(olderHandler, true));
  ASSERT_TRUE(platform.setCtrlHandler(newerHandler, true));
  // Wine raises only Ctrl+C this way.
  if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
    platform.setCtrlHandler(newerHandler, false);
    platform.setCtrlHandler(olderHandler, false);
    GTEST_SKIP() << "no console: run this under a terminal";
  }
  // The event arrives on a thread of the system's.
  for (int i = 0; i < 500 && newerCalls == 0; ++i) Sleep(10);
  EXPECT_EQ(newerCalls, 1);
  EXPECT_EQ(olderCalls, 0);
  // A wait for input returns for it, since a handler may have stored a key.
  const DWORD start = GetTickCount();
  EXPECT_TRUE(platform.waitForInput(platform.stdHandle(StdHandle::Input), 5000));
  EXPECT_LT(GetTickCount() - start, 2000u);

  EXPECT_TRUE(platform.setCtrlHandler(newerHandler, false));
  EXPECT_TRUE(platform.setCtrlHandler(olderHandler, false));
  EXPECT_FALSE(platform.setCtrlHandler(olderHandler, false));
}

struct Pipe {
  Pipe() { CreatePipe(&read, &write, nullptr, 0); }
  ~Pipe() {
    if (read) CloseHandle(read);
    closeWrite();
  }
  void closeWrite() {
    if (write) CloseHandle(write);
    write = nullptr;
  }
  void send(const std::string& bytes) {
    DWORD written = 0;
    WriteFile(write, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
  HANDLE read = nullptr;
  HANDLE write = nullptr;
};

std::string pressedChars(win32::StreamInput& input) {
  InputRecord records[16];
  std::string chars;
  for (;;) {
    const std::uint32_t n = input.take(records, 16, true);
    if (n == 0) return chars;
    for (std::uint32_t i = 0; i < n; ++i) {
      if (records[i].key.keyDown) chars.push_back(static_cast<char>(records[i].key.ch));
    }
  }
}

TEST(Win32StreamInput, BytesBecomeKeysAsTheyArriveUntilTheEnd) {
  using Wait = win32::StreamInput::Wait;
  Pipe pipe;
  win32::StreamInput input(pipe.read);
  EXPECT_EQ(input.wait(nullptr, 50), Wait::TimedOut);

  pipe.send("n\r");
  ASSERT_EQ(input.wait(nullptr, 5000), Wait::Ready);
  InputRecord peeked;
  ASSERT_EQ(input.take(&peeked, 1, false), 1u);
  EXPECT_EQ(peeked.key.ch, 'n');
  std::string typed = pressedChars(input);
  EXPECT_EQ(typed, "n\r") << "a peek leaves the records waiting";

  // The LF of a CR LF split across two reads is no second Enter.
  pipe.send("\nq\n");
  pipe.closeWrite();
  Wait result;
  while ((result = input.wait(nullptr, 5000)) == Wait::Ready) typed += pressedChars(input);
  EXPECT_EQ(result, Wait::Ended);
  EXPECT_EQ(typed, "n\rq\r");
}

TEST(Win32StreamInput, AMissingInputHasEndedAlready) {
  win32::StreamInput input(nullptr);
  EXPECT_EQ(input.wait(nullptr, kInfinite), win32::StreamInput::Wait::Ended);
}

TEST(Win32Platform, APipeIsNoScreenBufferButTakesTheBytes) {
  Win32Platform platform;
  Pipe pipe;
  const Handle out = reinterpret_cast<Handle>(pipe.write);
  ScreenBufferInfo info;
  EXPECT_FALSE(platform.getScreenBufferInfo(out, info));
  std::uint32_t written = 0;
  ASSERT_TRUE(platform.writeFile(out, "ab\r\n", 4, written));
  EXPECT_EQ(written, 4u);
  char bytes[8] = {};
  DWORD got = 0;
  ReadFile(pipe.read, bytes, sizeof bytes, &got, nullptr);
  EXPECT_EQ(std::string(bytes, got), "ab\r\n");
}

TEST(Win32Platform, RoundsToNearestEvenAfterSettingTheControlWord) {
  Win32Platform platform;
  _controlfp(_RC_UP, _MCW_RC);
  platform.setFloatingPointControl(0, kFpPrecisionMask | kFpRoundingMask);
  EXPECT_EQ(_controlfp(0, 0) & _MCW_RC, static_cast<unsigned>(_RC_NEAR));
  volatile double half = 2.5;
  EXPECT_EQ(std::nearbyint(half), 2.0);
  EXPECT_EQ(std::nearbyint(half + 1.0), 4.0);
}

TEST(Win32Platform, CountersRunForward) {
  Win32Platform platform;
  std::int64_t frequency = 0;
  std::int64_t first = 0;
  std::int64_t second = 0;
  ASSERT_TRUE(platform.queryPerformanceFrequency(frequency));
  EXPECT_GT(frequency, 0);
  ASSERT_TRUE(platform.queryPerformanceCounter(first));
  platform.sleep(20);
  ASSERT_TRUE(platform.queryPerformanceCounter(second));
  EXPECT_GE(second - first, frequency / 100);
  EXPECT_EQ(platform.mapVirtualKey('A', kMapVkToChar), static_cast<std::uint32_t>('A'));
}

}  // namespace
}  // namespace maze
