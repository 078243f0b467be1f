// Reading and writing file descriptors the way the backend needs it:
// writes that survive signals and partial writes but give up on a dead
// output, and reads that never block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace maze {

// Writes everything, retrying after signals and partial writes; false
// when the output fails, or stalls or takes nothing time after time.
bool writeAll(int fd, std::string_view bytes);

// One write, retried only when a signal interrupted it; -1 on failure.
long writeOnce(int fd, const void* bytes, std::size_t length);

enum class ReadResult { Data, Nothing, End };

// Reads what is waiting on `fd` without blocking, waiting up to
// `timeoutMs` for it to arrive (0: not at all). `length` gets the count.
ReadResult readWaiting(int fd, std::uint8_t* buffer, std::size_t capacity, int timeoutMs,
                       std::size_t& length);

}  // namespace maze
