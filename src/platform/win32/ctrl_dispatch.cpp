#include "platform/win32/ctrl_dispatch.hpp"

#include "platform/handler_lists.hpp"

namespace maze::win32 {
namespace {

// Forced to be global: the system's callback carries no context.
struct Dispatch {
  SRWLOCK lock = SRWLOCK_INIT;
  CtrlHandlerList handlers;
};

Dispatch& dispatch() {
  static Dispatch instance;
  return instance;
}

// Runs on a thread the system starts for the event.
BOOL WINAPI trampoline(DWORD event) {
  Dispatch& d = dispatch();
  AcquireSRWLockShared(&d.lock);
  const CtrlHandlerList handlers = d.handlers;
  ReleaseSRWLockShared(&d.lock);
  const bool handled = handlers.raise(event);
  SetEvent(ctrlEventSignal());
  return handled ? TRUE : FALSE;
}

}  // namespace

HANDLE ctrlEventSignal() {
  static const HANDLE signal = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  return signal;
}

// The system hears of one handler, the trampoline, while any of ours is
// registered.
bool setCtrlHandler(CtrlHandler handler, bool add) {
  Dispatch& d = dispatch();
  ctrlEventSignal();
  AcquireSRWLockExclusive(&d.lock);
  bool ok = !add || d.handlers.size() > 0 || SetConsoleCtrlHandler(trampoline, TRUE);
  if (ok) ok = d.handlers.set(handler, add);
  if (ok && !add && d.handlers.size() == 0) SetConsoleCtrlHandler(trampoline, FALSE);
  ReleaseSRWLockExclusive(&d.lock);
  return ok;
}

}  // namespace maze::win32
