#include "platform/queued_input_host.hpp"

#include "platform/input_records.hpp"
#include "platform/keyboard_layout.hpp"

namespace maze {

bool QueuedInputHost::getInputMode(std::uint32_t& mode) {
  if (!consoleInput()) return false;
  mode = inputMode_;
  return true;
}

bool QueuedInputHost::setInputMode(std::uint32_t mode) {
  if (!consoleInput()) return false;
  inputMode_ = mode;
  return true;
}

bool QueuedInputHost::peekInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) {
  if (inputQueue().empty()) pumpInput(Taking::Peek);
  read = takeRecords(inputQueue(), records, count, false);
  return true;
}

bool QueuedInputHost::readInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) {
  if (inputQueue().empty()) pumpInput(Taking::Read);
  while (inputQueue().empty()) waitForInput(kInfinite);
  read = takeRecords(inputQueue(), records, count, true);
  return true;
}

bool QueuedInputHost::setCtrlHandler(CtrlHandler handler, bool add) {
  return ctrlHandlers_.set(handler, add);
}

std::uint32_t QueuedInputHost::mapVirtualKey(std::uint32_t code, std::uint32_t mapType) {
  return mapType == kMapVkToChar ? usVirtualKeyToChar(code) : 0;
}

bool QueuedInputHost::atExit(ExitHandler handler) {
  exitHandlers_.add(handler);
  return true;
}

}  // namespace maze
