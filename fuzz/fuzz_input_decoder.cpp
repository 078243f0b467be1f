// The terminal input decoder on arbitrary bytes. How the bytes are split
// into reads must not matter while no time passes; with time passing and
// the timeouts firing, every event stays a well-formed key press and
// release, no byte yields more than one key, and nothing stays pending once
// the timeout has passed.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "invariants.hpp"
#include "platform/terminal/input_decoder.hpp"

namespace {

using maze::InputDecoder;
using maze::InputRecord;

constexpr std::int64_t kStart = 1'000'000'000;
constexpr std::int64_t kLater = kStart + 10 * InputDecoder::kSequenceTimeoutNs;

bool sameKey(const maze::KeyEventRecord& a, const maze::KeyEventRecord& b) {
  return a.keyDown == b.keyDown && a.repeatCount == b.repeatCount &&
         a.virtualKeyCode == b.virtualKeyCode && a.virtualScanCode == b.virtualScanCode &&
         a.ch == b.ch && a.controlKeyState == b.controlKeyState;
}

void checkEvents(const std::deque<InputRecord>& events, std::size_t bytes) {
  if (events.size() % 2 != 0) maze::fuzz::broken("a press without its release");
  if (events.size() / 2 > bytes) maze::fuzz::broken("more keys than bytes");
  for (std::size_t i = 0; i + 1 < events.size(); i += 2) {
    const InputRecord& press = events[i];
    const InputRecord& release = events[i + 1];
    if (press.eventType != maze::kKeyEvent || release.eventType != maze::kKeyEvent) {
      maze::fuzz::broken("not a key event");
    }
    if (!press.key.keyDown || release.key.keyDown)
      maze::fuzz::broken("press and release out of order");
    if (press.key.repeatCount == 0) maze::fuzz::broken("a key pressed zero times");
    maze::KeyEventRecord up = press.key;
    up.keyDown = false;
    if (!sameKey(up, release.key)) maze::fuzz::broken("release differs from its press");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const auto source =
      in.ConsumeBool() ? InputDecoder::Source::Stream : InputDecoder::Source::Terminal;
  const std::size_t splitSeed = in.ConsumeIntegral<std::uint16_t>();
  const std::vector<std::uint8_t> bytes = in.ConsumeBytes<std::uint8_t>(in.remaining_bytes() / 2);
  const std::vector<std::uint8_t> timing = in.ConsumeRemainingBytes<std::uint8_t>();

  // All at once, then the timeout.
  std::deque<InputRecord> whole;
  {
    InputDecoder decoder(source);
    decoder.feed(bytes.data(), bytes.size(), kStart, whole);
    decoder.expire(kLater, whole);
    if (decoder.deadline()) maze::fuzz::broken("still pending after the timeout");
  }
  checkEvents(whole, bytes.size());

  // The same bytes in reads of varying length at the same moment.
  std::deque<InputRecord> split;
  {
    InputDecoder decoder(source);
    std::size_t at = 0;
    std::size_t seed = splitSeed;
    while (at < bytes.size()) {
      const std::size_t length = std::min(bytes.size() - at, 1 + seed % 7);
      seed = seed * 31 + 7;
      decoder.feed(bytes.data() + at, length, kStart, split);
      decoder.expire(kStart, split);  // too early: must settle nothing
      at += length;
    }
    decoder.expire(kLater, split);
  }
  if (split.size() != whole.size()) maze::fuzz::broken("splitting the reads changed the keys");
  for (std::size_t i = 0; i < split.size(); ++i) {
    if (!sameKey(split[i].key, whole[i].key))
      maze::fuzz::broken("splitting the reads changed a key");
  }

  // Byte by byte with pauses of any length, timeouts firing in between, and
  // cursor reports expected now and then.
  std::deque<InputRecord> timed;
  {
    InputDecoder decoder(source);
    std::int64_t now = kStart;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const std::uint8_t t = i < timing.size() ? timing[i] : 0;
      if (t & 0x80) decoder.expectCursorReport();
      now += static_cast<std::int64_t>(t & 0x7F) * 1'000'000;  // 0 to 127 ms
      decoder.expire(now, timed);
      if (const auto due = decoder.deadline(); due && *due <= now) {
        maze::fuzz::broken("an expired sequence stayed pending");
      }
      decoder.feed(&bytes[i], 1, now, timed);
      if (const auto report = decoder.takeCursorReport()) {
        if (report->row < 0 || report->column < 0) maze::fuzz::broken("negative cursor report");
      }
    }
    decoder.expire(now + InputDecoder::kSequenceTimeoutNs, timed);
    if (decoder.deadline()) maze::fuzz::broken("still pending after the timeout");
  }
  checkEvents(timed, bytes.size());
  return 0;
}
