#include "platform/locale.h"

#include <langinfo.h>
#include <locale.h>
#include <strings.h>
#include <wctype.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace sirvane {

// A copy of the locale that was current when the object was built, so that
// lowering does not change when the process locale changes later on.
struct LowerCase::WideLocale {
  locale_t locale = nullptr;
  WideLocale() : locale(duplocale(uselocale(static_cast<locale_t>(nullptr)))) {}
  ~WideLocale() {
    if (locale != nullptr) freelocale(locale);
  }
  WideLocale(const WideLocale&) = delete;
  WideLocale& operator=(const WideLocale&) = delete;
};

namespace {

bool IsUtf8Codeset(const char* codeset) {
  return strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "UTF8") == 0;
}

// The "C" and "POSIX" locales, which define nothing above 127. A locale set
// with uselocale() has no name we can ask for, but its codeset tells as much.
bool IsPlainCLocale() {
  const char* codeset = nl_langinfo(CODESET);
  if (std::strcmp(codeset, "ANSI_X3.4-1968") == 0 || strcasecmp(codeset, "ASCII") == 0 ||
      strcasecmp(codeset, "US-ASCII") == 0) {
    return true;
  }
  if (uselocale(static_cast<locale_t>(nullptr)) == LC_GLOBAL_LOCALE) {
    const char* name = setlocale(LC_CTYPE, nullptr);
    if (name == nullptr) return true;
    return std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0;
  }
  return false;
}

}  // namespace

LowerCase LowerCase::FromCurrentLocale() {
  LowerCase lower;
  if (IsUtf8Codeset(nl_langinfo(CODESET))) {
    auto wide = std::make_shared<WideLocale>();
    if (wide->locale != nullptr) {
      lower.mode_ = Mode::kUtf8;
      lower.wide_ = std::move(wide);
    }
  } else if (MB_CUR_MAX == 1 && !IsPlainCLocale()) {
    lower.mode_ = Mode::kSingleByte;
    // Below 128 the ASCII rule holds whatever the locale says (a Turkish
    // locale would turn 'I' into a byte above 127).
    for (int c = 128; c < 256; ++c) lower.table_[c] = static_cast<unsigned char>(std::tolower(c));
  }
  return lower;
}

std::uint32_t LowerCase::LowerCodePoint(std::uint32_t code_point) const {
  return static_cast<std::uint32_t>(towlower_l(static_cast<wint_t>(code_point), wide_->locale));
}

LocaleFormats LocaleFormats::FromCurrentLocale() {
  LocaleFormats formats;
  const char* date = nl_langinfo(D_FMT);
  const char* time = nl_langinfo(T_FMT);
  formats.short_date = (date != nullptr && *date != '\0') ? date : "%m/%d/%y";
  formats.long_time = (time != nullptr && *time != '\0') ? time : "%H:%M:%S";
  return formats;
}

void UseEnvironmentLocale() {
  // On failure the process simply stays in the "C" locale.
  (void)setlocale(LC_ALL, "");
  // Numbers in the outputs are plain decimals whatever the user's locale.
  (void)setlocale(LC_NUMERIC, "C");
}

}  // namespace sirvane
