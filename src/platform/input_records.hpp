// The console's input queue as the backends keep it: key presses queued
// with their releases, and records peeked or read from its front.
#pragma once

#include <cstdint>
#include <deque>

#include "platform/console_types.hpp"

namespace maze {

// Queues a press (repeat count 1) and its release, as the console does.
void appendPressAndRelease(KeyEventRecord press, std::deque<InputRecord>& out);

// Copies up to `count` records from the front of `queue` into `records`,
// removing them when `remove` is set (a read) and not otherwise (a peek);
// returns how many.
std::uint32_t takeRecords(std::deque<InputRecord>& queue, InputRecord* records, std::uint32_t count,
                          bool remove);

}  // namespace maze
