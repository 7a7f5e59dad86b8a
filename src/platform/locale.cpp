#include "platform/locale.h"

#include <langinfo.h>
#include <locale.h>
#include <wctype.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

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

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint64_t kEachByte = 0x0101010101010101ULL;

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

std::size_t Utf8Length(std::uint32_t code_point) {
  if (code_point < 0x80) return 1;
  if (code_point < 0x800) return 2;
  if (code_point < 0x10000) return 3;
  return 4;
}

void EncodeUtf8(std::uint32_t code_point, std::size_t length, unsigned char* out) {
  switch (length) {
    case 2:
      out[0] = static_cast<unsigned char>(0xC0 | (code_point >> 6));
      out[1] = static_cast<unsigned char>(0x80 | (code_point & 0x3F));
      break;
    case 3:
      out[0] = static_cast<unsigned char>(0xE0 | (code_point >> 12));
      out[1] = static_cast<unsigned char>(0x80 | ((code_point >> 6) & 0x3F));
      out[2] = static_cast<unsigned char>(0x80 | (code_point & 0x3F));
      break;
    default:
      out[0] = static_cast<unsigned char>(0xF0 | (code_point >> 18));
      out[1] = static_cast<unsigned char>(0x80 | ((code_point >> 12) & 0x3F));
      out[2] = static_cast<unsigned char>(0x80 | ((code_point >> 6) & 0x3F));
      out[3] = static_cast<unsigned char>(0x80 | (code_point & 0x3F));
      break;
  }
}

// Lower-cases eight ASCII bytes at once: a byte gets its 0x20 bit when it lies
// in 'A'..'Z'. Only valid when no byte has its top bit set (no carries then).
std::uint64_t LowerAsciiWord(std::uint64_t word) {
  const std::uint64_t at_least_a = word + (0x80 - 'A') * kEachByte;
  const std::uint64_t above_z = word + (0x80 - 'Z' - 1) * kEachByte;
  const std::uint64_t upper = at_least_a & ~above_z & kHighBits;
  return word | (upper >> 2);
}

}  // namespace

LowerCase::LowerCase() : mode_(Mode::kAsciiOnly) {
  for (int c = 0; c < 256; ++c) table_[c] = static_cast<unsigned char>(c);
  for (int c = 'A'; c <= 'Z'; ++c) table_[c] = static_cast<unsigned char>(c - 'A' + 'a');
}

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

// Lowers the character that starts at `data` when it is a valid UTF-8
// sequence whose lower-case form has the same length; returns the number of
// bytes looked at (1 for a byte that starts no valid sequence).
std::size_t LowerCase::LowerUtf8Character(unsigned char* data, std::size_t available) const {
  const unsigned char lead = data[0];
  std::size_t length;
  std::uint32_t code_point;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code_point = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code_point = lead & 0x07;
  } else {
    return 1;
  }
  if (available < length) return 1;
  for (std::size_t k = 1; k < length; ++k) {
    if ((data[k] & 0xC0) != 0x80) return 1;
    code_point = (code_point << 6) | (data[k] & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  if (Utf8Length(code_point) != length) return 1;
  if (code_point >= 0xD800 && code_point <= 0xDFFF) return 1;
  if (code_point > 0x10FFFF) return 1;

  const wint_t lowered = towlower_l(static_cast<wint_t>(code_point), wide_->locale);
  if (lowered != code_point && lowered <= 0x10FFFF && Utf8Length(lowered) == length) {
    EncodeUtf8(lowered, length, data);
  }
  return length;
}

void LowerCase::Apply(char* text, std::size_t size) const {
  auto* data = reinterpret_cast<unsigned char*>(text);
  const bool utf8 = mode_ == Mode::kUtf8;
  // Returns how many bytes at `i` were handled.
  auto lower_one = [&](std::size_t i) -> std::size_t {
    const unsigned char c = data[i];
    if (c < 0x80 || !utf8) {
      data[i] = table_[c];
      return 1;
    }
    return LowerUtf8Character(data + i, size - i);
  };

  std::size_t i = 0;
  while (size - i >= 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    if ((word & kHighBits) == 0) {
      const std::uint64_t lowered = LowerAsciiWord(word);
      if (lowered != word) std::memcpy(data + i, &lowered, 8);
      i += 8;
      continue;
    }
    // A byte above 127 in these eight: handle them one by one (a UTF-8
    // sequence may run past the eight).
    const std::size_t stop = i + 8;
    while (i < stop) i += lower_one(i);
  }
  while (i < size) i += lower_one(i);
}

LocaleFormats LocaleFormats::FromCurrentLocale() {
  LocaleFormats formats;
  const char* date = nl_langinfo(D_FMT);
  const char* time = nl_langinfo(T_FMT);
  formats.short_date = (date != nullptr && *date != '\0') ? date : "%m/%d/%y";
  formats.long_time = (time != nullptr && *time != '\0') ? time : "%H:%M:%S";
  return formats;
}

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DayOfYear(int year, int month, int day) {
  static const int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  if (month < 1 || month > 12) return 0;
  int days = kDaysBefore[month - 1] + day - 1;
  if (month > 2 && IsLeapYear(year)) ++days;
  return days;
}

std::string FormatWithStrftime(const std::string& format, const struct tm& tm) {
  // strftime returns 0 both for "buffer too small" and for an empty result;
  // one extra byte at the end of the format tells them apart.
  const std::string marked = format + "#";
  // The limit only stops a format that the C library cannot format at all
  // (an absurd field width, say) from growing the buffer for ever.
  const std::size_t limit = (std::size_t{1} << 20) + format.size() * 64;
  std::vector<char> buffer(64 + format.size() * 4);
  for (;;) {
    const std::size_t length = std::strftime(buffer.data(), buffer.size(), marked.c_str(), &tm);
    if (length > 0) return std::string(buffer.data(), length - 1);
    if (buffer.size() > limit) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::string FormatDate(const LocaleFormats& formats, const LocalDateTime& t) {
  struct tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_wday = t.day_of_week;
  tm.tm_yday = DayOfYear(t.year, t.month, t.day);
  tm.tm_isdst = -1;
  return FormatWithStrftime(formats.short_date, tm);
}

std::string FormatTime(const LocaleFormats& formats, const LocalDateTime& t) {
  struct tm tm{};
  tm.tm_mday = 1;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  return FormatWithStrftime(formats.long_time, tm);
}

void UseEnvironmentLocale() {
  // On failure the process simply stays in the "C" locale.
  (void)setlocale(LC_ALL, "");
  // Numbers in the outputs are plain decimals whatever the user's locale.
  (void)setlocale(LC_NUMERIC, "C");
}

}  // namespace sirvane
