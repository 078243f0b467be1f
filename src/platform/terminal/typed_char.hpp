// One typed character beyond ASCII, its bytes taken as they arrive: UTF-8,
// or the terminal's own character set when that is not UTF-8. The result
// is the code page byte the console would deliver for it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace maze {

// A character set other than UTF-8 that a terminal sends typed characters in.
class KeyCharset {
 public:
  enum class Decoded { Char, Partial, Invalid };
  // What `bytes`, all of them, stand for: one character (`code`), the
  // start of one, or nothing this set holds.
  virtual Decoded decode(const char* bytes, std::size_t length, char32_t& code) const = 0;

 protected:
  ~KeyCharset() = default;
};

class TypedChar {
 public:
  // Null: UTF-8.
  explicit TypedChar(const KeyCharset* charset) : charset_(charset) {}

  enum class Step {
    More,      // the character goes on
    Done,      // the character is complete (perhaps as a '?')
    Rejected,  // the character ended broken before this byte, which is not its own
  };
  // The first byte, 0x80 or above.
  Step start(std::uint8_t lead);
  Step add(std::uint8_t byte);
  // Cut short: nothing more is coming.
  void abandon() { valid_ = false; }
  // The code page byte of the character; '?' when the code page lacks it
  // or the bytes were broken.
  std::uint8_t codePageByte() const;

 private:
  Step addUtf8(std::uint8_t byte);
  Step decodeCharset(bool lastIsAscii);

  static constexpr std::size_t kMaxBytes = 8;
  const KeyCharset* charset_;
  char32_t code_ = 0;
  bool valid_ = false;
  int needed_ = 0;  // UTF-8 continuation bytes still to come
  int length_ = 0;  // UTF-8 bytes in all
  char bytes_[kMaxBytes] = {};
  std::size_t count_ = 0;
};

}  // namespace maze
