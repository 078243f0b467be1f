// The system calls console control handlers through a plain function
// pointer, on a thread of its own, so the handlers registered through the
// platform live in one process-wide list behind a single trampoline.
#pragma once

#include <windows.h>

#include "platform/console_types.hpp"

namespace maze::win32 {

// Adds or removes a handler; removing one that was never added fails, as
// the system's own call does.
bool setCtrlHandler(CtrlHandler handler, bool add);

// Signalled after every control event, so a wait for input wakes up to
// collect the key a handler may have stored.
HANDLE ctrlEventSignal();

}  // namespace maze::win32
