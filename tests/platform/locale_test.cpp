#include "platform/locale.h"

#include <gtest/gtest.h>
#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace sirvane {
namespace {

// Makes `name` the calling thread's locale for the lifetime of the object.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name) : locale_(newlocale(LC_ALL_MASK, name, nullptr)) {
    if (locale_ != nullptr) previous_ = uselocale(locale_);
  }
  ~ScopedLocale() {
    if (locale_ != nullptr) {
      uselocale(previous_);
      freelocale(locale_);
    }
  }
  bool ok() const { return locale_ != nullptr; }

 private:
  locale_t locale_;
  locale_t previous_ = nullptr;
};

std::string Lowered(const LowerCase& lower, std::string text) {
  lower.Apply(text);
  return text;
}

TEST(LowerCaseTest, AsciiOnlyChangesJustTheLettersAToZ) {
  const LowerCase lower;
  EXPECT_EQ(lower.mode(), LowerCase::Mode::kAsciiOnly);
  for (int c = 0; c < 256; ++c) {
    const int expected = (c >= 'A' && c <= 'Z') ? c + 32 : c;
    EXPECT_EQ(lower.Byte(static_cast<unsigned char>(c)), expected) << "byte " << c;
  }
}

TEST(LowerCaseTest, ApplyAgreesWithBytewiseRuleForAnyLengthAndAlignment) {
  // Random texts of every length up to 40 exercise both the eight-bytes-at-a-time
  // path and the byte path, with and without bytes above 127.
  const LowerCase lower;
  std::mt19937 random(12345);
  for (int round = 0; round < 400; ++round) {
    const std::size_t length = static_cast<std::size_t>(round % 41);
    const bool ascii_only = round % 3 != 0;
    std::string text(length, '\0');
    for (char& c : text) {
      c = static_cast<char>(ascii_only ? random() % 128 : random() % 256);
    }
    std::string expected = text;
    for (char& c : expected) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    EXPECT_EQ(Lowered(lower, text), expected) << "round " << round;
  }
  EXPECT_EQ(Lowered(lower, "GET HTTP://Host.EXAMPLE/@[`{ 200"), "get http://host.example/@[`{ 200");
}

TEST(LowerCaseTest, CLocaleGivesAsciiOnly) {
  ScopedLocale c_locale("C");
  ASSERT_TRUE(c_locale.ok());
  const LowerCase lower = LowerCase::FromCurrentLocale();
  EXPECT_EQ(lower.mode(), LowerCase::Mode::kAsciiOnly);
  EXPECT_EQ(Lowered(lower, "\xC4Q\xE9"), "\xC4q\xE9");
}

struct Utf8Case {
  const char* name;
  std::string text;
  std::string expected;
};

TEST(LowerCaseTest, Utf8LowersOnlyWhereTheLengthStaysTheSame) {
  const std::vector<Utf8Case> cases = {
      {"Latin A umlaut", "\xC3\x84rger", "\xC3\xA4rger"},
      {"Greek", "\xCE\x91\xCE\x92\xCE\x93", "\xCE\xB1\xCE\xB2\xCE\xB3"},
      {"Cyrillic", "\xD0\x96", "\xD0\xB6"},
      {"Deseret, four bytes", "\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"},
      {"dotted capital I lowers to one byte: stays", "\xC4\xB0X", "\xC4\xB0x"},
      {"capital sharp s lowers to two bytes: stays", "\xE1\xBA\x9E", "\xE1\xBA\x9E"},
      {"Kelvin sign lowers to 'k': stays", "\xE2\x84\xAA", "\xE2\x84\xAA"},
      {"invalid bytes stay, letters after them lower", "\xFF\xFE" "AB\x80" "C", "\xFF\xFE" "ab\x80" "c"},
      {"overlong 'A' stays", "\xC1\x81", "\xC1\x81"},
      {"encoded surrogate stays", "\xED\xA0\x80", "\xED\xA0\x80"},
      {"lead byte followed by ASCII", "\xC3" "A", "\xC3" "a"},
      {"truncated sequence at the end", "ABC\xC3", "abc\xC3"},
      {"truncated three-byte sequence at the end", "Q\xE1\xBA", "q\xE1\xBA"},
      {"sequence across an eight-byte boundary", "ABCDEFG\xC3\x84XYZ", "abcdefg\xC3\xA4xyz"},
      {"long mixed text", "HELLO WORLD \xC3\x96STERREICH \xC3\x9C" "BER ALLES",
       "hello world \xC3\xB6sterreich \xC3\xBC" "ber alles"},
  };
  LowerCase lower;
  {
    ScopedLocale utf8("C.UTF-8");
    if (!utf8.ok()) GTEST_SKIP() << "locale C.UTF-8 is not installed";
    lower = LowerCase::FromCurrentLocale();
  }
  // The object keeps the locale it was built in, even after it was switched back.
  ASSERT_EQ(lower.mode(), LowerCase::Mode::kUtf8);
  for (const Utf8Case& c : cases) {
    const std::string result = Lowered(lower, c.text);
    EXPECT_EQ(result, c.expected) << c.name;
    EXPECT_EQ(result.size(), c.text.size()) << c.name;
  }
  EXPECT_EQ(lower.Byte(0xC3), 0xC3);
  EXPECT_EQ(lower.Byte('Z'), 'z');
}

TEST(LowerCaseTest, SingleByteLocaleUsesTheCLibraryAboveAsciiOnly) {
  const char* candidates[] = {"de_DE.ISO-8859-1", "de_DE.ISO-8859-15", "de_DE@euro", "de_DE",
                              "en_US.ISO-8859-1", "en_US", "fr_FR.ISO-8859-1", "fr_FR"};
  for (const char* name : candidates) {
    ScopedLocale single(name);
    if (!single.ok()) continue;
    const std::string codeset = nl_langinfo(CODESET);
    if (MB_CUR_MAX != 1 || codeset.rfind("ISO-8859-1", 0) != 0) continue;  // -1 and -15
    const LowerCase lower = LowerCase::FromCurrentLocale();
    EXPECT_EQ(lower.mode(), LowerCase::Mode::kSingleByte) << name;
    EXPECT_EQ(lower.Byte(0xC4), 0xE4) << name;  // A umlaut
    EXPECT_EQ(lower.Byte(0xE4), 0xE4) << name;
    EXPECT_EQ(Lowered(lower, "\xC4RGER \xD6L"), "\xE4rger \xF6l") << name;
    return;
  }
  GTEST_SKIP() << "no ISO-8859-1 locale is installed";
}

struct FormatCase {
  const char* format;
  LocalDateTime moment;
  std::string date;  // FormatDate
  const char* time;  // FormatTime, or nullptr when the format shows date fields
};

LocalDateTime Moment(int year, int month, int day, int hour, int minute, int second, int weekday) {
  LocalDateTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  t.millisecond = 999;
  t.day_of_week = weekday;
  return t;
}

TEST(LocaleFormatsTest, DatesAndTimesFollowTheFormat) {
  ScopedLocale c_locale("C");
  ASSERT_TRUE(c_locale.ok());
  const LocalDateTime saturday = Moment(2026, 12, 5, 0, 0, 4, 6);
  const LocalDateTime afternoon = Moment(2024, 3, 1, 14, 2, 11, 5);
  const std::string long_format(300, 'x');
  const std::vector<FormatCase> cases = {
      {"%d.%m.%Y", saturday, "05.12.2026", nullptr},
      {"%-H:%M:%S", saturday, "0:00:04", "0:00:04"},
      {"%I:%M:%S %p", saturday, "12:00:04 AM", "12:00:04 AM"},
      {"%I:%M:%S %p", afternoon, "02:02:11 PM", "02:02:11 PM"},
      {"%a %j", saturday, "Sat 339", nullptr},
      {"%j", afternoon, "061", nullptr},  // 2024 is a leap year
      {"", saturday, "", ""},
      {"%p", saturday, "AM", "AM"},
  };
  for (const FormatCase& c : cases) {
    LocaleFormats formats;
    formats.short_date = c.format;
    formats.long_time = c.format;
    EXPECT_EQ(FormatDate(formats, c.moment), c.date) << c.format;
    if (c.time != nullptr) {
      EXPECT_EQ(FormatTime(formats, c.moment), c.time) << c.format;
    }
  }
  // An output longer than any first guess of the buffer size.
  LocaleFormats formats;
  formats.short_date = long_format + "%Y%Y%Y";
  EXPECT_EQ(FormatDate(formats, saturday), long_format + "202620262026");
}

TEST(LocaleFormatsTest, CLocaleFormats) {
  ScopedLocale c_locale("C");
  ASSERT_TRUE(c_locale.ok());
  const LocaleFormats formats = LocaleFormats::FromCurrentLocale();
  const LocalDateTime t = Moment(2026, 12, 5, 9, 8, 7, 6);
  EXPECT_EQ(FormatDate(formats, t), "12/05/26");
  EXPECT_EQ(FormatTime(formats, t), "09:08:07");
}

}  // namespace
}  // namespace sirvane
