#include "platform/handler_lists.hpp"

#include <algorithm>
#include <iterator>

namespace maze {

bool CtrlHandlerList::set(CtrlHandler handler, bool add) {
  if (add) {
    handlers_.push_back(handler);
    return true;
  }
  const auto found = std::find(handlers_.rbegin(), handlers_.rend(), handler);
  if (found == handlers_.rend()) return false;
  handlers_.erase(std::next(found).base());
  return true;
}

bool CtrlHandlerList::raise(std::uint32_t event) const {
  // A copy: a handler may remove itself while the event goes round.
  const std::vector<CtrlHandler> handlers = handlers_;
  for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
    if (*it && (*it)(event)) return true;
  }
  return false;
}

void ExitHandlerList::runNewestFirst() {
  std::vector<ExitHandler> handlers;
  handlers.swap(handlers_);
  for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
    if (*it) (*it)();
  }
}

}  // namespace maze
