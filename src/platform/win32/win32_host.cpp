#include "platform/win32/win32_host.hpp"

#include <float.h>

#include <cstdlib>

#include "platform/win32/ctrl_dispatch.hpp"

namespace maze {
namespace {

InputRecord fromNative(const INPUT_RECORD& native) {
  InputRecord record;
  record.eventType = native.EventType;
  if (native.EventType == KEY_EVENT) {
    const KEY_EVENT_RECORD& key = native.Event.KeyEvent;
    record.key.keyDown = key.bKeyDown != FALSE;
    record.key.repeatCount = key.wRepeatCount;
    record.key.virtualKeyCode = key.wVirtualKeyCode;
    record.key.virtualScanCode = key.wVirtualScanCode;
    record.key.ch = static_cast<std::uint8_t>(key.uChar.AsciiChar);
    record.key.controlKeyState = key.dwControlKeyState;
  }
  return record;
}

bool isConsoleInput(HANDLE h) {
  DWORD mode = 0;
  return GetConsoleMode(h, &mode) != FALSE;
}

}  // namespace

Win32Host::Win32Host(HANDLE input, HANDLE output) : input_(input), output_(output) {
  if (!isConsoleInput(input_)) streamInput_ = std::make_unique<win32::StreamInput>(input_);
}

bool Win32Host::getInputMode(std::uint32_t& mode) {
  DWORD native = 0;
  if (!GetConsoleMode(input_, &native)) return false;
  mode = native;
  return true;
}

bool Win32Host::setInputMode(std::uint32_t mode) { return SetConsoleMode(input_, mode) != FALSE; }

bool Win32Host::readConsoleRecords(InputRecord* records, std::uint32_t count, std::uint32_t& read,
                                   bool remove) {
  read = 0;
  if (count == 0) return true;
  inputScratch_.resize(count);
  DWORD got = 0;
  const BOOL ok = remove ? ReadConsoleInputA(input_, inputScratch_.data(), count, &got)
                         : PeekConsoleInputA(input_, inputScratch_.data(), count, &got);
  if (!ok) return false;
  for (DWORD i = 0; i < got; ++i) records[i] = fromNative(inputScratch_[i]);
  read = got;
  return true;
}

bool Win32Host::peekInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) {
  if (!streamInput_) return readConsoleRecords(records, count, read, false);
  read = streamInput_->take(records, count, false);
  return true;
}

bool Win32Host::readInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) {
  if (!streamInput_) return readConsoleRecords(records, count, read, true);
  read = 0;
  if (count == 0) return true;
  // Like the console's read, this waits until at least one record is there;
  // once the input has ended none ever will.
  for (;;) {
    const auto result = streamInput_->wait(nullptr, kInfinite);
    if (result == win32::StreamInput::Wait::Ready) break;
    if (result == win32::StreamInput::Wait::Ended) exitProcess(0);
  }
  read = streamInput_->take(records, count, true);
  return true;
}

// Control events wake the wait too: a handler may have stored a key.
bool Win32Host::waitForInput(std::uint32_t timeoutMs) {
  const HANDLE ctrlSignal = win32::ctrlEventSignal();
  if (streamInput_) {
    switch (streamInput_->wait(ctrlSignal, timeoutMs)) {
      case win32::StreamInput::Wait::Ready:
      case win32::StreamInput::Wait::Signalled: return true;
      case win32::StreamInput::Wait::TimedOut: return false;
      case win32::StreamInput::Wait::Ended: exitProcess(0);
    }
  }
  const HANDLE handles[2] = {input_, ctrlSignal};
  const DWORD result = WaitForMultipleObjects(ctrlSignal ? 2 : 1, handles, FALSE, timeoutMs);
  if (result == WAIT_FAILED) {
    // Not a handle that can be waited on: nothing will come through it,
    // so at least do not spin.
    Sleep(timeoutMs == kInfinite ? 25 : timeoutMs);
    return false;
  }
  return result == WAIT_OBJECT_0 || result == WAIT_OBJECT_0 + 1;
}

bool Win32Host::setCtrlHandler(CtrlHandler handler, bool add) {
  return win32::setCtrlHandler(handler, add);
}

std::uint32_t Win32Host::mapVirtualKey(std::uint32_t code, std::uint32_t mapType) {
  return MapVirtualKeyA(code, mapType);
}

// A pipe whose reader has gone can never take another byte: the program
// ends as a filter does when its reader goes, rather than write on for
// ever into nothing. Other failures only drop the bytes.
bool Win32Host::writeBytes(const void* bytes, std::uint32_t length, std::uint32_t& written) {
  DWORD count = 0;
  const bool ok = WriteFile(output_, bytes, length, &count, nullptr) != FALSE;
  written = ok ? count : 0;
  if (!ok) {
    const DWORD error = GetLastError();
    if (error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED) {
      ExitProcess(ERROR_BROKEN_PIPE);
    }
  }
  return ok;
}

// The console shows every write at once.
void Win32Host::flushScreen() {}

bool Win32Host::beep(std::uint32_t frequency, std::uint32_t durationMs) {
  return Beep(frequency, durationMs) != FALSE;
}

void Win32Host::sleep(std::uint32_t ms) { Sleep(ms); }

bool Win32Host::queryPerformanceFrequency(std::int64_t& frequency) {
  LARGE_INTEGER value{};
  if (!QueryPerformanceFrequency(&value) || value.QuadPart == 0) return false;
  frequency = value.QuadPart;
  return true;
}

bool Win32Host::queryPerformanceCounter(std::int64_t& counter) {
  LARGE_INTEGER value{};
  if (!QueryPerformanceCounter(&value)) return false;
  counter = value.QuadPart;
  return true;
}

std::uint32_t Win32Host::tickCount() { return GetTickCount(); }

void Win32Host::setFloatingPointControl(std::uint32_t value, std::uint32_t mask) {
#if !defined(__i386__) && !defined(_M_IX86)
  // Only the x87 unit has a precision control; SSE arithmetic is always
  // double precision, and the runtime rejects the precision mask here.
  mask &= ~static_cast<std::uint32_t>(_MCW_PC);
#endif
  _controlfp(value, mask);
}

bool Win32Host::atExit(ExitHandler handler) { return std::atexit(handler) == 0; }

void Win32Host::exitProcess(int status) { std::exit(status); }

}  // namespace maze
