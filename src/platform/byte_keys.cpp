#include "platform/byte_keys.hpp"

#include "platform/input_records.hpp"
#include "platform/keyboard_layout.hpp"

namespace maze {
void ByteKeyDecoder::feed(std::uint8_t byte, std::deque<InputRecord>& out) {
  const bool lineFeedOfPair = byte == '\n' && afterCarriageReturn_;
  afterCarriageReturn_ = byte == '\r';
  if (lineFeedOfPair) return;
  if (byte == '\n') byte = '\r';

  appendPressAndRelease(usKeyEventForChar(byte), out);
}

}  // namespace maze
