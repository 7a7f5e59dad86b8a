#include "platform/locale.h"

#include <gtest/gtest.h>
#include <locale.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <tuple>
#include <vector>

namespace sirvane {
namespace {

TEST(LowerCaseTest, AsciiChangesOnlyAToZWhateverTheAlignment) {
  std::string text;  // every byte, then every ASCII byte beside one above 127
  for (int c = 0; c < 512; ++c) text += static_cast<char>(c < 256 ? c : c % 2 == 0 ? c / 2 - 128 : 0xC4);
  std::string expected = text;
  for (char& c : expected) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  for (std::size_t offset = 0; offset < 8; ++offset) {
    std::string part = text.substr(offset);
    LowerCase().Apply(part);
    EXPECT_EQ(part, expected.substr(offset)) << offset;
  }
}

// The lowering of the user's locale: whatever it does above 127, 'A' to 'Z'
// become 'a' to 'z' and no other ASCII byte changes. On Windows with a
// single-byte code page it must give what CharLowerBuffA gives for the whole
// text, which the table of its single-byte answers stands for.
TEST(LowerCaseTest, TheSystemsLoweringKeepsTheAsciiRule) {
  const LowerCase lower = LowerCase::FromCurrentLocale();
  std::string text;
  for (int c = 0; c < 256; ++c) text += static_cast<char>(c);
  text += "Zeile \xC4rger \xD6L";
  std::string lowered = text;
  lower.Apply(lowered);
  ASSERT_EQ(lowered.size(), text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 128) {
      EXPECT_EQ(lowered[i], static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c)) << i;
    }
  }
#ifdef _WIN32
  if (lower.mode() == LowerCase::Mode::kSingleByte) {
    std::string expected = text;
    CharLowerBuffA(expected.data(), static_cast<DWORD>(expected.size()));
    EXPECT_EQ(lowered, expected);
    if (GetACP() == 1252) {  // Western European
      EXPECT_EQ(lowered.substr(256), "zeile \xE4rger \xF6l");
    }
  }
#endif
}

TEST(LowerCaseTest, Utf8LowersOnlyWhereTheLengthStaysTheSame) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX locales (newlocale); Windows lowers with CharLowerBuffA in the ANSI code page";
#else
  const locale_t utf8 = newlocale(LC_ALL_MASK, "C.UTF-8", nullptr);
  if (utf8 == nullptr) GTEST_SKIP() << "locale C.UTF-8 is not installed";
  const locale_t previous = uselocale(utf8);
  const LowerCase lower = LowerCase::FromCurrentLocale();
  uselocale(previous);  // the object keeps the locale it was built in
  freelocale(utf8);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"\xC3\x84rger", "\xC3\xA4rger"}, {"\xEF\xBC\xA1\xF0\x90\x90\x80", "\xEF\xBD\x81\xF0\x90\x90\xA8"},
      {"ABCDEFG\xC3\x84XYZ", "abcdefg\xC3\xA4xyz"},  // a character across eight bytes
      {"\xC4\xB0X\xE1\xBA\x9E", "\xC4\xB0x\xE1\xBA\x9E"},  // lower forms shorter: kept
      {"\xFF\xC3" "AB\x80\xED\xA0\x80", "\xFF\xC3" "ab\x80\xED\xA0\x80"},  // invalid
  };
  for (auto [text, expected] : cases) {
    lower.Apply(text);
    EXPECT_EQ(text, expected);
  }
  std::string cut = "AB\xC3\x84";  // a character cut by the end of the text stays
  lower.Apply(cut.data(), 3);
  EXPECT_EQ(cut, "ab\xC3\x84");
#endif
}

TEST(FormatDateAndTimeTest, FollowTheFormat) {
#ifdef _WIN32
  GTEST_SKIP() << "strftime formats with glibc's extensions (%-H) are what POSIX locales give";
#else
  const LocalDateTime saturday{2026, 12, 5, 0, 0, 4, 999, 6}, leap_day{2024, 3, 1, 14, 2, 11, 0, 5};
  const std::vector<std::tuple<std::string, LocalDateTime, bool, std::string>> cases = {
      {"%d.%m.%Y", saturday, false, "05.12.2026"}, {"%a %j", leap_day, false, "Fri 061"},
      {"%-H:%M:%S", saturday, true, "0:00:04"}, {"%I:%M:%S %p", saturday, true, "12:00:04 AM"},
      {"%I:%M:%S %p", leap_day, true, "02:02:11 PM"}, {"", saturday, true, ""},
      {"%0300Y", saturday, false, std::string(296, '0') + "2026"},  // outgrows the first buffer
  };
  for (const auto& [format, moment, is_time, expected] : cases) {
    const LocaleFormats formats{is_time ? "" : format, is_time ? format : ""};
    EXPECT_EQ(is_time ? FormatTime(formats, moment) : FormatDate(formats, moment), expected) << format;
  }
#endif
}

}  // namespace
}  // namespace sirvane
