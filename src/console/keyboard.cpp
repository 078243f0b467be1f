#include "console/keyboard.hpp"

#include <array>
#include <atomic>
#include <mutex>

#include "console/console.hpp"

namespace maze {
namespace {

constexpr std::uint32_t kAltMask = kRightAltPressed | kLeftAltPressed;
constexpr std::uint32_t kCtrlMask = kRightCtrlPressed | kLeftCtrlPressed;
constexpr std::uint16_t kLastTableScanCode = 0x58;

bool altHeld(std::uint32_t state) { return (state & kAltMask) != 0; }
bool ctrlHeld(std::uint32_t state) { return (state & kCtrlMask) != 0; }
bool shiftHeld(std::uint32_t state) { return (state & kShiftPressed) != 0; }
bool altOnly(std::uint32_t state) {
  return altHeld(state) && (state & (kCtrlMask | kShiftPressed)) == 0;
}

enum Column { kNormal, kShift, kCtrl, kAlt };

// Extended codes per scan code in the columns normal, Shift, Ctrl and Alt
// (indexed by Column), 0 where the cell is empty.
struct ScanRow {
  std::array<std::uint8_t, 4> cells;
};

// clang-format off
constexpr ScanRow kScanCodeTable[kLastTableScanCode + 1] = {
    {0, 0, 0, 0},                 // 0x00
    {0, 0, 0, 0x01},              // 0x01 Esc
    {0, 0, 0, 0x78},              // 0x02 1
    {0, 0, 0x03, 0x79},           // 0x03 2
    {0, 0, 0, 0x7A},              // 0x04 3
    {0, 0, 0, 0x7B},              // 0x05 4
    {0, 0, 0, 0x7C},              // 0x06 5
    {0, 0, 0, 0x7D},              // 0x07 6
    {0, 0, 0, 0x82},              // 0x08 7
    {0, 0, 0, 0x83},              // 0x09 8
    {0, 0, 0, 0x80},              // 0x0A 9
    {0, 0, 0, 0x81},              // 0x0B 0
    {0, 0, 0, 0x82},              // 0x0C minus
    {0, 0, 0, 0x83},              // 0x0D equals
    {0, 0, 0, 0xE0},              // 0x0E Backspace
    {0, 0x0F, 0x94, 0x0F},        // 0x0F Tab
    {0, 0, 0, 0x10},              // 0x10 Q
    {0, 0, 0, 0x11},              // 0x11 W
    {0, 0, 0, 0x12},              // 0x12 E
    {0, 0, 0, 0x13},              // 0x13 R
    {0, 0, 0, 0x14},              // 0x14 T
    {0, 0, 0, 0x15},              // 0x15 Y
    {0, 0, 0, 0x16},              // 0x16 U
    {0, 0, 0, 0x17},              // 0x17 I
    {0, 0, 0, 0x18},              // 0x18 O
    {0, 0, 0, 0x19},              // 0x19 P
    {0, 0, 0, 0x1A},              // 0x1A [
    {0, 0, 0, 0x1B},              // 0x1B ]
    {0, 0, 0, 0x1C},              // 0x1C Enter
    {0, 0, 0, 0},                 // 0x1D Ctrl
    {0, 0, 0, 0x1E},              // 0x1E A
    {0, 0, 0, 0x1F},              // 0x1F S
    {0, 0, 0, 0x20},              // 0x20 D
    {0, 0, 0, 0x21},              // 0x21 F
    {0, 0, 0, 0x22},              // 0x22 G
    {0, 0, 0, 0x23},              // 0x23 H
    {0, 0, 0, 0x24},              // 0x24 J
    {0, 0, 0, 0x25},              // 0x25 K
    {0, 0, 0, 0x26},              // 0x26 L
    {0, 0, 0, 0x27},              // 0x27 ;
    {0, 0, 0, 0x28},              // 0x28 '
    {0, 0, 0, 0x29},              // 0x29 `
    {0, 0, 0, 0},                 // 0x2A left Shift
    {0, 0, 0, 0},                 // 0x2B backslash
    {0, 0, 0, 0x2C},              // 0x2C Z
    {0, 0, 0, 0x2D},              // 0x2D X
    {0, 0, 0, 0x2E},              // 0x2E C
    {0, 0, 0, 0x2F},              // 0x2F V
    {0, 0, 0, 0x30},              // 0x30 B
    {0, 0, 0, 0x31},              // 0x31 N
    {0, 0, 0, 0x32},              // 0x32 M
    {0, 0, 0, 0x33},              // 0x33 ,
    {0, 0, 0, 0x34},              // 0x34 .
    {0, 0, 0, 0x35},              // 0x35 /
    {0, 0, 0, 0},                 // 0x36 right Shift
    {0, 0, 0, 0},                 // 0x37 keypad *
    {0, 0, 0, 0},                 // 0x38 Alt
    {0, 0, 0, 0},                 // 0x39 space
    {0, 0, 0, 0},                 // 0x3A Caps Lock
    {0x3B, 0x54, 0x5E, 0x68},     // 0x3B F1
    {0x3C, 0x55, 0x5F, 0x69},     // 0x3C F2
    {0x3D, 0x56, 0x60, 0x6A},     // 0x3D F3
    {0x3E, 0x57, 0x61, 0x6B},     // 0x3E F4
    {0x3F, 0x58, 0x62, 0x6C},     // 0x3F F5
    {0x40, 0x59, 0x63, 0x6D},     // 0x40 F6
    {0x41, 0x5A, 0x64, 0x6E},     // 0x41 F7
    {0x42, 0x5B, 0x65, 0x6F},     // 0x42 F8
    {0x43, 0x5C, 0x66, 0x70},     // 0x43 F9
    {0x44, 0x5D, 0x67, 0x71},     // 0x44 F10
    {0, 0, 0, 0},                 // 0x45 Num Lock
    {0, 0, 0, 0},                 // 0x46 Scroll Lock
    {0x47, 0, 0x77, 0},           // 0x47 keypad 7 / Home
    {0x48, 0, 0x8D, 0},           // 0x48 keypad 8 / Up
    {0x49, 0, 0x84, 0},           // 0x49 keypad 9 / PgUp
    {0, 0, 0, 0},                 // 0x4A keypad -
    {0x4B, 0, 0x73, 0},           // 0x4B keypad 4 / Left
    {0x4C, 0, 0x8F, 0x4C},        // 0x4C keypad 5
    {0x4D, 0, 0x74, 0},           // 0x4D keypad 6 / Right
    {0, 0, 0, 0},                 // 0x4E keypad +
    {0x4F, 0, 0x75, 0},           // 0x4F keypad 1 / End
    {0x50, 0, 0x91, 0},           // 0x50 keypad 2 / Down
    {0x51, 0, 0x76, 0},           // 0x51 keypad 3 / PgDn
    {0x52, 0, 0x92, 0},           // 0x52 keypad 0 / Ins
    {0x53, 0, 0x93, 0},           // 0x53 keypad . / Del
    {0, 0, 0, 0},                 // 0x54
    {0, 0, 0, 0},                 // 0x55
    {0, 0, 0, 0},                 // 0x56
    {0x85, 0x87, 0x89, 0x8B},     // 0x57 F11
    {0x86, 0x88, 0x8A, 0x8C},     // 0x58 F12
};
// clang-format on

// Keys reported with ENHANCED_KEY and no character. Cells hold the final
// key code: a character, or an extended code already shifted.
struct EnhancedRow {
  std::uint16_t scanCode;
  std::array<KeyCode, 4> cells;  // indexed by Column
};

// clang-format off
constexpr EnhancedRow kEnhancedKeyTable[] = {
    {0x1C, {13, 13, 10, 0xA6FF}},                      // keypad Enter
    {0x35, {47, 63, 0x95FF, 0xA4FF}},                  // keypad /
    {0x47, {0x47FF, 0x47FF, 0x77FF, 0x97FF}},          // Home
    {0x48, {0x48FF, 0x48FF, 0x8DFF, 0x98FF}},          // Up
    {0x49, {0x49FF, 0x49FF, 0x84FF, 0x99FF}},          // PgUp
    {0x4B, {0x4BFF, 0x4BFF, 0x73FF, 0x9BFF}},          // Left
    {0x4D, {0x4DFF, 0x4DFF, 0x74FF, 0x9DFF}},          // Right
    {0x4F, {0x4FFF, 0x4FFF, 0x75FF, 0x9FFF}},          // End
    {0x50, {0x50FF, 0x50FF, 0x91FF, 0xA0FF}},          // Down
    {0x51, {0x51FF, 0x51FF, 0x76FF, 0xA1FF}},          // PgDn
    {0x52, {0x52FF, 0x52FF, 0x92FF, 0xA2FF}},          // Insert
    {0x53, {0x53FF, 0x53FF, 0x93FF, 0xA3FF}},          // Delete
};
// clang-format on

static_assert(sizeof(kScanCodeTable) / sizeof(kScanCodeTable[0]) == 89);
static_assert(sizeof(kEnhancedKeyTable) / sizeof(kEnhancedKeyTable[0]) == 12);

Column modifierColumn(std::uint32_t state) {
  if (altHeld(state)) return kAlt;
  if (ctrlHeld(state)) return kCtrl;
  if (shiftHeld(state)) return kShift;
  return kNormal;
}

// Case exists only for the ASCII letters, whatever the platform's locale.
std::uint32_t turnCase(std::uint32_t c) {
  if (c >= 'A' && c <= 'Z') return c - 'A' + 'a';
  if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
  return c;
}

// The console the control and exit handlers act on: the host hands
// them no context, so it has to be found here.
std::atomic<ConsoleState*> handlerConsole{nullptr};

void removeControlHandler() {
  if (ConsoleState* console = handlerConsole.load()) {
    console->host->setCtrlHandler(consoleControlHandler, false);
  }
}

void deliverAltNumpadCode(KeyboardState& keyboard) {
  storeKey(keyboard.keys, static_cast<std::uint32_t>(keyboard.altNumpadCode) & 0xFF);
  keyboard.altNumpadCode = 0;
}

void handleKeyEvent(ConsoleState& console, const KeyEventRecord& event) {
  KeyboardState& keyboard = console.keyboard;
  const std::uint32_t state = event.controlKeyState;
  if (!event.keyDown) {
    if (!altOnly(state) && keyboard.altNumpadCode != 0) deliverAltNumpadCode(keyboard);
    return;
  }
  if (event.repeatCount == 0) return;
  const KeyCode key = translateKeyEvent(*console.host, event.ch, event.virtualScanCode,
                                        event.virtualKeyCode, state);
  if (event.virtualKeyCode >= vk::kNumpad0 && event.virtualKeyCode <= vk::kNumpad9 &&
      altOnly(state)) {
    // Kept modulo 2^32, as the code's 32 bits allow.
    const std::uint32_t code = static_cast<std::uint32_t>(keyboard.altNumpadCode) * 10u +
                               (event.virtualKeyCode - vk::kNumpad0);
    keyboard.altNumpadCode = static_cast<std::int32_t>(code);
    if (key != kNoKey) storeKey(keyboard.keys, key);
  } else if (key != kNoKey) {
    keyboard.altNumpadCode = 0;
    storeKey(keyboard.keys, key);
  } else if (!altOnly(state) && keyboard.altNumpadCode != 0) {
    deliverAltNumpadCode(keyboard);
  }
}

void installControlHandler(ConsoleState& console) {
  console.keyboard.handlerInstalled = true;
  handlerConsole.store(&console);
  console.host->atExit(removeControlHandler);
  console.host->setCtrlHandler(consoleControlHandler, true);
}

}  // namespace

KeyCode translateKeyEvent(Host& host, std::uint8_t ch, std::uint16_t scanCode,
                          std::uint16_t virtualKey, std::uint32_t controlKeyState) {
  const Column column = modifierColumn(controlKeyState);
  if (ch == 0 && (controlKeyState & kEnhancedKey) != 0) {
    for (const EnhancedRow& row : kEnhancedKeyTable) {
      if (row.scanCode == scanCode) return row.cells[column];
    }
    return kNoKey;
  }
  if (scanCode <= kLastTableScanCode) {
    const std::uint32_t m = host.mapVirtualKey(virtualKey, kMapVkToChar) & 0xFFFF;
    const std::uint32_t m2 = turnCase(m);
    // A typed character takes no column unless a modifier selects one.
    const bool columnTaken = column != kNormal || ch == 0;
    const std::uint8_t code = columnTaken ? kScanCodeTable[scanCode].cells[column] : 0;
    if (code != 0 && (ch == m || ch == m2)) return extendedKey(code);
  }
  return ch != 0 ? ch : kNoKey;
}

void storeKey(KeyBuffer& keys, KeyCode key) {
  std::lock_guard guard(keys.lock);
  keys.slots[keys.writeIndex] = key;
  const int next = (keys.writeIndex + 1) % KeyBuffer::kSlots;
  if (next == keys.readIndex) keys.readIndex = (keys.readIndex + 1) % KeyBuffer::kSlots;
  keys.writeIndex = next;
}

KeyCode takeKey(KeyBuffer& keys) {
  std::lock_guard guard(keys.lock);
  if (keys.readIndex == keys.writeIndex) return kNoKey;
  const KeyCode key = keys.slots[keys.readIndex];
  keys.readIndex = (keys.readIndex + 1) % KeyBuffer::kSlots;
  return key;
}

bool hasKey(KeyBuffer& keys) {
  std::lock_guard guard(keys.lock);
  return keys.readIndex != keys.writeIndex;
}

void pumpConsoleInput(ConsoleState& console) {
  if (!console.keyboard.handlerInstalled) installControlHandler(console);
  Host& host = *console.host;
  for (;;) {
    InputRecord record;
    std::uint32_t count = 0;
    if (!host.peekInput(&record, 1, count) || count == 0) return;
    // The peek found a record, so this read does not block.
    if (!host.readInput(&record, 1, count) || count == 0) return;
    if (record.eventType == kKeyEvent) handleKeyEvent(console, record.key);
  }
}

std::string inkey(ConsoleState& console) {
  pumpConsoleInput(console);
  const KeyCode key = takeKey(console.keyboard.keys);
  if (key == kNoKey) return {};
  if (key <= 255) return std::string(1, static_cast<char>(key));
  return {static_cast<char>(0xFF), static_cast<char>((key >> 8) & 0xFF)};
}

bool keyHit(ConsoleState& console) {
  pumpConsoleInput(console);
  return hasKey(console.keyboard.keys);
}

void waitForInputEvent(ConsoleState& console, std::uint32_t timeoutMs) {
  console.host->waitForInput(timeoutMs);
}

void releaseKeyboard(ConsoleState& console) {
  ConsoleState* expected = &console;
  if (handlerConsole.compare_exchange_strong(expected, nullptr)) {
    console.host->setCtrlHandler(consoleControlHandler, false);
  }
}

bool consoleControlHandler(std::uint32_t event) {
  if (event != kCtrlCloseEvent && event != kCtrlLogoffEvent && event != kCtrlShutdownEvent) {
    return false;
  }
  ConsoleState* console = handlerConsole.load();
  if (console == nullptr) return false;
  storeKey(console->keyboard.keys, kAltF4);
  return true;
}

}  // namespace maze
