#include "platform/terminal/key_events.hpp"

#include "platform/keyboard_layout.hpp"

namespace maze {
namespace {

KeyEventRecord press(std::uint8_t ch, std::uint16_t virtualKey, std::uint16_t scanCode,
                     std::uint32_t state) {
  KeyEventRecord key;
  key.keyDown = true;
  key.repeatCount = 1;
  key.ch = ch;
  key.virtualKeyCode = virtualKey;
  key.virtualScanCode = scanCode;
  key.controlKeyState = state;
  return key;
}

// Ctrl with a symbol key: the control bytes 0 and 28 to 31.
bool controlSymbolKey(std::uint8_t byte, KeyStroke& stroke) {
  switch (byte) {
    case 0x00: stroke = {'2', 0x03, true, true}; return true;    // Ctrl+@
    case 0x1C: stroke = {0xDC, 0x2B, false, true}; return true;  // Ctrl+backslash
    case 0x1D: stroke = {0xDD, 0x1B, false, true}; return true;  // Ctrl+]
    case 0x1E: stroke = {'6', 0x07, true, true}; return true;    // Ctrl+^
    case 0x1F: stroke = {0xBD, 0x0C, true, true}; return true;   // Ctrl+_
    default: return false;
  }
}

}  // namespace

Modifiers Modifiers::fromParameter(int parameter) {
  Modifiers m;
  if (parameter < 2) return m;
  const int bits = parameter - 1;
  m.shift = (bits & 1) != 0;
  m.alt = (bits & 2) != 0 || (bits & 8) != 0;
  m.ctrl = (bits & 4) != 0;
  return m;
}

std::uint32_t Modifiers::controlKeyState() const {
  return (shift ? kShiftPressed : 0) | (alt ? kLeftAltPressed : 0) | (ctrl ? kLeftCtrlPressed : 0);
}

KeyEventRecord keyForTerminalByte(std::uint8_t byte, bool alt) {
  const std::uint32_t altState = alt ? kLeftAltPressed : 0;
  if (byte == 0x7F || byte == 0x08) return press(8, vk::kBack, scan::kBack, altState);
  KeyStroke stroke;
  if (!usKeyForChar(byte) && controlSymbolKey(byte, stroke)) {
    const std::uint32_t state =
        (stroke.shift ? kShiftPressed : 0) | (stroke.ctrl ? kLeftCtrlPressed : 0) | altState;
    return press(byte, stroke.virtualKeyCode, stroke.scanCode, state);
  }
  KeyEventRecord key = usKeyEventForChar(byte);
  key.controlKeyState |= altState;
  return key;
}

KeyEventRecord keyForForeignChar(std::uint8_t ch, bool alt) {
  return press(ch, 0, 0, alt ? kLeftAltPressed : 0);
}

KeyEventRecord enhancedKey(std::uint16_t virtualKey, Modifiers modifiers) {
  return press(0, virtualKey, usScanCodeForVirtualKey(virtualKey),
               modifiers.controlKeyState() | kEnhancedKey);
}

KeyEventRecord functionKey(int n, Modifiers modifiers) {
  const auto virtualKey = static_cast<std::uint16_t>(vk::kF1 + n - 1);
  return press(0, virtualKey, usScanCodeForVirtualKey(virtualKey), modifiers.controlKeyState());
}

KeyEventRecord keypadCenterKey(Modifiers modifiers) {
  return press(0, vk::kClear, scan::kNumpad5, modifiers.controlKeyState());
}

KeyEventRecord keypadEnterKey(Modifiers modifiers) {
  return press('\r', vk::kReturn, scan::kReturn, modifiers.controlKeyState() | kEnhancedKey);
}

KeyEventRecord keypadKey(std::uint8_t ch, Modifiers modifiers) {
  const std::uint32_t state = modifiers.controlKeyState();
  if (ch >= '0' && ch <= '9') {
    const auto virtualKey = static_cast<std::uint16_t>(vk::kNumpad0 + (ch - '0'));
    return press(ch, virtualKey, usScanCodeForVirtualKey(virtualKey), state);
  }
  switch (ch) {
    case '*': return press(ch, 0x6A, 0x37, state);
    case '+': return press(ch, 0x6B, 0x4E, state);
    case '-': return press(ch, 0x6D, 0x4A, state);
    case '.': return press(ch, 0x6E, 0x53, state);
    case '/': return press(ch, 0x6F, 0x35, state | kEnhancedKey);
    default: break;
  }
  KeyEventRecord key = keyForTerminalByte(ch, modifiers.alt);
  key.controlKeyState |= state;
  return key;
}

}  // namespace maze
