#include "platform/win32/ctrl_dispatch.hpp"

#include <array>
#include <cstddef>

namespace maze::win32 {
namespace {

constexpr std::size_t kMaxHandlers = 16;

// Forced to be global: the system's callback carries no context.
struct Dispatch {
  SRWLOCK lock = SRWLOCK_INIT;
  std::array<CtrlHandler, kMaxHandlers> handlers{};
  std::size_t count = 0;
};

Dispatch& dispatch() {
  static Dispatch instance;
  return instance;
}

BOOL WINAPI trampoline(DWORD event) {
  Dispatch& d = dispatch();
  std::array<CtrlHandler, kMaxHandlers> handlers{};
  std::size_t count = 0;
  AcquireSRWLockShared(&d.lock);
  handlers = d.handlers;
  count = d.count;
  ReleaseSRWLockShared(&d.lock);
  bool handled = false;
  for (std::size_t i = count; i > 0 && !handled; --i) handled = handlers[i - 1](event);
  SetEvent(ctrlEventSignal());
  return handled ? TRUE : FALSE;
}

}  // namespace

HANDLE ctrlEventSignal() {
  static const HANDLE signal = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  return signal;
}

bool setCtrlHandler(CtrlHandler handler, bool add) {
  Dispatch& d = dispatch();
  ctrlEventSignal();
  AcquireSRWLockExclusive(&d.lock);
  bool ok = false;
  if (add) {
    if (d.count < kMaxHandlers) {
      ok = d.count > 0 || SetConsoleCtrlHandler(trampoline, TRUE);
      if (ok) d.handlers[d.count++] = handler;
    }
  } else {
    for (std::size_t i = d.count; i > 0; --i) {
      if (d.handlers[i - 1] != handler) continue;
      for (std::size_t j = i; j < d.count; ++j) d.handlers[j - 1] = d.handlers[j];
      --d.count;
      if (d.count == 0) SetConsoleCtrlHandler(trampoline, FALSE);
      ok = true;
      break;
    }
  }
  ReleaseSRWLockExclusive(&d.lock);
  return ok;
}

}  // namespace maze::win32
