#include "platform/input_records.hpp"

#include <algorithm>
#include <cstddef>

namespace maze {

void appendPressAndRelease(KeyEventRecord press, std::deque<InputRecord>& out) {
  InputRecord record;
  record.eventType = kKeyEvent;
  press.keyDown = true;
  if (press.repeatCount == 0) press.repeatCount = 1;
  record.key = press;
  out.push_back(record);
  record.key.keyDown = false;
  out.push_back(record);
}

std::uint32_t takeRecords(std::deque<InputRecord>& queue, InputRecord* records, std::uint32_t count,
                          bool remove) {
  const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(count, queue.size()));
  std::copy_n(queue.begin(), n, records);
  if (remove) queue.erase(queue.begin(), queue.begin() + n);
  return n;
}

}  // namespace maze
