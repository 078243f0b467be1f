// The character set of the program's locale (LC_ALL, LC_CTYPE, LANG), as
// the terminal is taken to use it: the screen's glyphs go out in it, typed
// characters come in from it. UTF-8 needs no conversion at all.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

#include "platform/terminal/typed_char.hpp"

namespace maze {

class LocaleCharset final : public KeyCharset {
 public:
  // The locale's set; the locale is taken from the environment once.
  LocaleCharset();
  // The set `codeset` names (as nl_langinfo(CODESET) does); UTF-8 when it
  // is UTF-8 or the C library cannot convert to and from it.
  explicit LocaleCharset(const char* codeset);
  ~LocaleCharset();
  LocaleCharset(const LocaleCharset&) = delete;
  LocaleCharset& operator=(const LocaleCharset&) = delete;

  bool utf8() const { return toLocale_ == nullptr; }
  // UTF-8 text in this set; every character it lacks is a '?'.
  std::string fromUtf8(std::string_view text) const;
  Decoded decode(const char* bytes, std::size_t length, char32_t& code) const override;

 private:
  // Both null: UTF-8.
  iconv_t toLocale_ = nullptr;
  iconv_t fromLocale_ = nullptr;
};

}  // namespace maze
