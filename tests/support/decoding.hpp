// The terminal input decoder fed as a host feeds it, and the key presses
// it settles to.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "platform/terminal/input_decoder.hpp"

namespace maze {

inline constexpr std::int64_t kMs = 1'000'000;

struct Key {
  std::uint16_t vk;
  std::uint16_t scan;
  std::uint8_t ch;
  std::uint32_t state;
  friend bool operator==(const Key&, const Key&) = default;
  friend void PrintTo(const Key& k, std::ostream* os) {
    *os << "{vk " << std::hex << k.vk << " scan " << k.scan << " ch " << int{k.ch} << " state "
        << k.state << "}";
  }
};

// Presses in order; checks that each is followed by its own release.
inline std::vector<Key> presses(const std::deque<InputRecord>& records) {
  std::vector<Key> keys;
  EXPECT_EQ(records.size() % 2, 0u);
  for (std::size_t i = 0; i + 1 < records.size(); i += 2) {
    const KeyEventRecord& down = records[i].key;
    const KeyEventRecord& up = records[i + 1].key;
    EXPECT_TRUE(records[i].eventType == kKeyEvent && down.keyDown && !up.keyDown);
    EXPECT_TRUE(down.repeatCount == 1 && up.repeatCount == 1);
    keys.push_back({down.virtualKeyCode, down.virtualScanCode, down.ch, down.controlKeyState});
    EXPECT_EQ(keys.back(), (Key{up.virtualKeyCode, up.virtualScanCode, up.ch, up.controlKeyState}));
  }
  return keys;
}

struct Decoding {
  explicit Decoding(InputDecoder::Source source = InputDecoder::Source::Terminal)
      : decoder(source) {}
  void feed(const std::string& bytes, std::int64_t at) {
    decoder.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), at, out);
  }
  void expire(std::int64_t at) { decoder.expire(at, out); }
  // Bytes read at `at`, once what was due by then has settled.
  void read(const std::string& bytes, std::int64_t at) {
    expire(at);
    feed(bytes, at);
  }
  std::vector<Key> keys() const { return presses(out); }

  InputDecoder decoder;
  std::deque<InputRecord> out;
};

}  // namespace maze
