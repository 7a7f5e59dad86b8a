#include "platform/locale.h"

#include <windows.h>

namespace sirvane {

// Windows lowers through CharLowerBuff*, which needs no captured state.
struct LowerCase::WideLocale {};

namespace {

// One of the user's locale settings, or `fallback` when it cannot be read.
std::string UserLocaleInfo(LCTYPE type, const char* fallback) {
  char buffer[128];
  const int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length - 1)) : std::string(fallback);
}

}  // namespace

LowerCase LowerCase::FromCurrentLocale() {
  LowerCase lower;
  CPINFO code_page;
  if (GetACP() == CP_UTF8) {
    lower.mode_ = Mode::kUtf8;
    lower.wide_ = std::make_shared<WideLocale>();
  } else if (GetCPInfo(CP_ACP, &code_page) && code_page.MaxCharSize == 1) {
    // In a single-byte code page CharLowerBuffA lowers each byte on its own,
    // so a table of its answers gives the same text at table speed. Below 128
    // the ASCII rule holds whatever the code page says.
    lower.mode_ = Mode::kSingleByte;
    for (int c = 128; c < 256; ++c) {
      char byte = static_cast<char>(c);
      CharLowerBuffA(&byte, 1);
      lower.table_[c] = static_cast<unsigned char>(byte);
    }
  }
  // A double-byte code page: a byte above 127 is half a character, so only
  // ASCII is lowered.
  return lower;
}

std::uint32_t LowerCase::LowerCodePoint(std::uint32_t code_point) const {
  // Characters outside the Basic Multilingual Plane stay as they are.
  if (code_point >= 0x10000 || (code_point >= 0xD800 && code_point <= 0xDFFF)) return code_point;
  WCHAR character = static_cast<WCHAR>(code_point);
  CharLowerBuffW(&character, 1);
  return character;
}

LocaleFormats LocaleFormats::FromCurrentLocale() {
  LocaleFormats formats;
  formats.syntax = Syntax::kPicture;
  formats.short_date = UserLocaleInfo(LOCALE_SSHORTDATE, "M/d/yyyy");
  formats.long_time = UserLocaleInfo(LOCALE_STIMEFORMAT, "h:mm:ss tt");
  formats.am = UserLocaleInfo(LOCALE_S1159, "AM");
  formats.pm = UserLocaleInfo(LOCALE_S2359, "PM");
  return formats;
}

void UseEnvironmentLocale() {}

}  // namespace sirvane
