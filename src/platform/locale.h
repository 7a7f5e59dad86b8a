#pragma once
// What the user's locale decides: how bytes above 127 are lower-cased, and the
// short date and long time formats used in the outputs.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/clock.h"

namespace sirvane {

// Lower-cases text in place without ever changing its length in bytes.
// 'A' to 'Z' always become 'a' to 'z' and no other byte below 128 changes.
// Above 127: in a single-byte locale each byte is lowered by the C library; in
// a UTF-8 locale a character is lowered only where its lower-case form has the
// same encoded length, otherwise (and for invalid sequences) the bytes stay.
class LowerCase {
 public:
  enum class Mode { kAsciiOnly, kSingleByte, kUtf8 };

  // ASCII only: what the "C" locale gives, and what tests use by default.
  LowerCase();
  // Built from the process's current LC_CTYPE (call after setlocale).
  static LowerCase FromCurrentLocale();

  Mode mode() const { return mode_; }
  void Apply(char* data, std::size_t size) const;
  void Apply(std::string& text) const { Apply(text.data(), text.size()); }
  // The lower-case form of one byte where a single byte decides (ASCII, or a
  // single-byte locale). In UTF-8 mode bytes above 127 map to themselves here.
  unsigned char Byte(unsigned char c) const { return table_[c]; }

 private:
  struct WideLocale;  // the locale captured for characters above 127 in UTF-8 mode
  std::size_t LowerUtf8Character(unsigned char* data, std::size_t available) const;
  // The system's lower-case form of one character in UTF-8 mode.
  std::uint32_t LowerCodePoint(std::uint32_t code_point) const;

  Mode mode_;
  unsigned char table_[256];
  std::shared_ptr<const WideLocale> wide_;
};

// The short date and long time formats. POSIX gives strftime formats
// (nl_langinfo(D_FMT), nl_langinfo(T_FMT)); Windows gives picture strings
// ("dd.MM.yyyy", "H:mm:ss") with the designators for 't' and 'tt'.
struct LocaleFormats {
  enum class Syntax { kStrftime, kPicture };

  std::string short_date = "%d.%m.%Y";
  std::string long_time = "%H:%M:%S";
  Syntax syntax = Syntax::kStrftime;
  std::string am = "AM";
  std::string pm = "PM";

  static LocaleFormats FromCurrentLocale();
  // Picture formats; these format the same on every platform, so tests use them.
  static LocaleFormats Picture(std::string date, std::string time) {
    return LocaleFormats{std::move(date), std::move(time), Syntax::kPicture};
  }
};

std::string FormatDate(const LocaleFormats& formats, const LocalDateTime& t);
// Hours, minutes and seconds of `t` in the long time format (milliseconds dropped).
std::string FormatTime(const LocaleFormats& formats, const LocalDateTime& t);

// Sets the process locale from the environment (LC_ALL, LC_CTYPE, LANG...);
// nothing to do on Windows, where the user's settings are read directly.
void UseEnvironmentLocale();

}  // namespace sirvane
