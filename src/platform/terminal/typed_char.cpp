#include "platform/terminal/typed_char.hpp"

#include "platform/terminal/cp437.hpp"

namespace maze {

TypedChar::Step TypedChar::start(std::uint8_t lead) {
  code_ = 0;
  valid_ = false;
  count_ = 0;
  if (charset_) {
    bytes_[count_++] = static_cast<char>(lead);
    return decodeCharset(false);
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    code_ = lead & 0x1F;
    needed_ = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    code_ = lead & 0x0F;
    needed_ = 2;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    code_ = lead & 0x07;
    needed_ = 3;
  } else {
    return Step::Done;
  }
  length_ = needed_ + 1;
  return Step::More;
}

TypedChar::Step TypedChar::add(std::uint8_t byte) {
  if (!charset_) return addUtf8(byte);
  bytes_[count_++] = static_cast<char>(byte);
  return decodeCharset(byte < 0x80);
}

TypedChar::Step TypedChar::addUtf8(std::uint8_t byte) {
  if ((byte & 0xC0) != 0x80) return Step::Rejected;
  code_ = (code_ << 6) | (byte & 0x3F);
  if (--needed_ > 0) return Step::More;
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  valid_ =
      code_ >= kSmallest[length_] && code_ <= 0x10FFFF && !(code_ >= 0xD800 && code_ <= 0xDFFF);
  return Step::Done;
}

// An ASCII byte that breaks a character off is a key of its own, as in
// UTF-8; any other byte belongs to the broken character.
TypedChar::Step TypedChar::decodeCharset(bool lastIsAscii) {
  switch (charset_->decode(bytes_, count_, code_)) {
    case KeyCharset::Decoded::Char: valid_ = true; return Step::Done;
    case KeyCharset::Decoded::Partial: return count_ < kMaxBytes ? Step::More : Step::Done;
    case KeyCharset::Decoded::Invalid: break;
  }
  return lastIsAscii && count_ > 1 ? Step::Rejected : Step::Done;
}

std::uint8_t TypedChar::codePageByte() const {
  const auto byte = valid_ ? unicodeToCp437(code_) : std::nullopt;
  return byte.value_or('?');
}

}  // namespace maze
