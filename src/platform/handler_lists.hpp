// The control handlers and at-exit handlers a backend keeps for the
// console services, run newest first as the system runs its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/console_types.hpp"

namespace maze {

class CtrlHandlerList {
 public:
  // Adds, or removes the newest registration of, `handler`; removing one
  // that was never added fails.
  bool set(CtrlHandler handler, bool add);
  // Offers the event to each handler, newest first, until one takes it.
  bool raise(std::uint32_t event) const;
  std::size_t size() const { return handlers_.size(); }

 private:
  std::vector<CtrlHandler> handlers_;
};

class ExitHandlerList {
 public:
  void add(ExitHandler handler) { handlers_.push_back(handler); }
  // Runs each handler once, newest first; a handler added meanwhile waits
  // for the next run.
  void runNewestFirst();

 private:
  std::vector<ExitHandler> handlers_;
};

}  // namespace maze
