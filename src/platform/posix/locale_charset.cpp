#include "platform/posix/locale_charset.hpp"

#include <langinfo.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace maze {
namespace {

bool namesUtf8(std::string_view codeset) {
  std::string name;
  for (char c : codeset) {
    if (c != '-' && c != '_') name += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
  return name == "UTF8";
}

// The locale the environment names for characters, as the C library
// picks it: LC_ALL, then LC_CTYPE, then LANG.
std::string_view environmentLocale() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

const char* localeCodeset() {
  static const char* const codeset = []() -> const char* {
    // A name that says UTF-8 is taken at its word: loading the locale and
    // its converters would cost the start-up half a millisecond for nothing.
    const std::string_view name = environmentLocale();
    const std::size_t dot = name.find('.');
    if (dot != std::string_view::npos &&
        namesUtf8(name.substr(dot + 1, name.find('@') - dot - 1))) {
      return "UTF-8";
    }
    std::setlocale(LC_CTYPE, "");
    return nl_langinfo(CODESET);
  }();
  return codeset;
}

// iconv_open's failure is (iconv_t)-1.
bool opened(iconv_t cd) { return reinterpret_cast<std::intptr_t>(cd) != -1; }

// The length of the UTF-8 character `lead` starts, for skipping it whole.
std::size_t utf8Length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

LocaleCharset::LocaleCharset() : LocaleCharset(localeCodeset()) {}

LocaleCharset::LocaleCharset(const char* codeset) {
  if (codeset == nullptr || namesUtf8(codeset)) return;
  iconv_t to = iconv_open(codeset, "UTF-8");
  iconv_t from = iconv_open("UTF-32LE", codeset);
  if (!opened(to) || !opened(from)) {
    if (opened(to)) iconv_close(to);
    if (opened(from)) iconv_close(from);
    return;
  }
  toLocale_ = to;
  fromLocale_ = from;
}

LocaleCharset::~LocaleCharset() {
  if (utf8()) return;
  iconv_close(toLocale_);
  iconv_close(fromLocale_);
}

std::string LocaleCharset::fromUtf8(std::string_view text) const {
  // Escape sequences and plain text are ASCII, the same in every set.
  if (utf8() || std::all_of(text.begin(), text.end(), [](char c) { return c >= 0; })) {
    return std::string(text);
  }
  std::string out;
  out.reserve(text.size());
  char buffer[256];
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  iconv(toLocale_, nullptr, nullptr, nullptr, nullptr);
  for (bool done = false; !done;) {
    char* to = buffer;
    std::size_t toLeft = sizeof buffer;
    // With the text taken, the set's shift state goes back to its start.
    done = inLeft == 0;
    const std::size_t result = done ? iconv(toLocale_, nullptr, nullptr, &to, &toLeft)
                                    : iconv(toLocale_, &in, &inLeft, &to, &toLeft);
    out.append(buffer, static_cast<std::size_t>(to - buffer));
    if (done || result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    // A character the set lacks, or one cut short.
    const std::size_t skip = std::min(utf8Length(static_cast<unsigned char>(*in)), inLeft);
    in += skip;
    inLeft -= skip;
    out += '?';
  }
  return out;
}

KeyCharset::Decoded LocaleCharset::decode(const char* bytes, std::size_t length,
                                          char32_t& code) const {
  unsigned char utf32[8];
  char* in = const_cast<char*>(bytes);
  char* to = reinterpret_cast<char*>(utf32);
  std::size_t toLeft = sizeof utf32;
  iconv(fromLocale_, nullptr, nullptr, nullptr, nullptr);
  if (iconv(fromLocale_, &in, &length, &to, &toLeft) == static_cast<std::size_t>(-1)) {
    return errno == EINVAL ? Decoded::Partial : Decoded::Invalid;
  }
  // A shift sequence alone gives no character yet.
  if (toLeft != sizeof utf32 - 4)
    return toLeft == sizeof utf32 ? Decoded::Partial : Decoded::Invalid;
  code = static_cast<char32_t>(utf32[0] | utf32[1] << 8 | utf32[2] << 16 | utf32[3] << 24);
  return Decoded::Char;
}

}  // namespace maze
