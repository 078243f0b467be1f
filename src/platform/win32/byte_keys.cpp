#include "platform/win32/byte_keys.hpp"

#include "platform/keyboard_layout.hpp"

namespace maze::win32 {
namespace {

void pushKey(KeyEventRecord key, std::deque<InputRecord>& out) {
  InputRecord record;
  record.eventType = kKeyEvent;
  key.repeatCount = 1;
  key.keyDown = true;
  record.key = key;
  out.push_back(record);
  record.key.keyDown = false;
  out.push_back(record);
}

}  // namespace

void ByteKeyDecoder::feed(std::uint8_t byte, std::deque<InputRecord>& out) {
  const bool lineFeedOfPair = byte == '\n' && afterCarriageReturn_;
  afterCarriageReturn_ = byte == '\r';
  if (lineFeedOfPair) return;
  if (byte == '\n') byte = '\r';

  KeyEventRecord key;
  key.ch = byte;
  if (const auto stroke = usKeyForChar(byte)) {
    key.virtualKeyCode = stroke->virtualKeyCode;
    key.virtualScanCode = stroke->scanCode;
    key.controlKeyState =
        (stroke->shift ? kShiftPressed : 0u) | (stroke->ctrl ? kLeftCtrlPressed : 0u);
  }
  pushKey(key, out);
}

}  // namespace maze::win32
