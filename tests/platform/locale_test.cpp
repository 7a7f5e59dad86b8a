#include "platform/locale.h"

#include <gtest/gtest.h>
#include <locale.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <vector>

namespace sirvane {
namespace {

// Whatever a lowering does above 127, only 'A' to 'Z' change among ASCII bytes, at
// every alignment of the eight-byte steps; the plain one changes nothing else. UTF-8
// characters are lowered only where the lower form has the same length; a Windows
// single-byte code page lowers as CharLowerBuffA does.
TEST(LowerCaseTest, AsciiEverywhereAndUtf8WhereTheLengthStaysTheSame) {
  std::vector<LowerCase> lowerings = {LowerCase(), LowerCase::FromCurrentLocale()};
#ifndef _WIN32  // POSIX locales; Windows lowers with CharLowerBuffA in the ANSI code page
  if (const locale_t utf8 = newlocale(LC_ALL_MASK, "C.UTF-8", nullptr); utf8 != nullptr) {
    const locale_t previous = uselocale(utf8);
    lowerings.push_back(LowerCase::FromCurrentLocale());
    uselocale(previous);  // the object keeps the locale it was built in
    freelocale(utf8);
  }
#endif
  std::string text;  // every byte, then every ASCII byte beside one above 127
  for (int c = 0; c < 512; ++c) text += static_cast<char>(c < 256 ? c : c % 2 == 0 ? c / 2 - 128 : 0xC4);
  std::string expected = text;
  for (char& c : expected) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  for (const LowerCase& lower : lowerings) {
    for (std::size_t offset = 0; offset < 8; ++offset) {
      std::string part = text.substr(offset);
      lower.Apply(part);
      for (std::size_t i = 0; i < part.size(); ++i) {  // the locale's own business
        if (lower.mode() != LowerCase::Mode::kAsciiOnly && (text[offset + i] & 0x80) != 0) part[i] = text[offset + i];
      }
      EXPECT_EQ(part, expected.substr(offset)) << offset << " in mode " << static_cast<int>(lower.mode());
    }
  }
#ifdef _WIN32
  const LowerCase& lower = lowerings[1];
  if (lower.mode() == LowerCase::Mode::kSingleByte) {
    std::string lowered = text + "Zeile \xC4rger \xD6L", by_windows = lowered;
    lower.Apply(lowered);
    CharLowerBuffA(by_windows.data(), static_cast<DWORD>(by_windows.size()));
    EXPECT_EQ(lowered, by_windows);
  }
#else
  if (lowerings.back().mode() != LowerCase::Mode::kUtf8) GTEST_SKIP() << "locale C.UTF-8 is not installed";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"\xC3\x84rger", "\xC3\xA4rger"}, {"\xEF\xBC\xA1\xF0\x90\x90\x80", "\xEF\xBD\x81\xF0\x90\x90\xA8"},
      {"ABCDEFG\xC3\x84XYZ", "abcdefg\xC3\xA4xyz"},  // a character across eight bytes
      {"\xC4\xB0X\xE1\xBA\x9E", "\xC4\xB0x\xE1\xBA\x9E"},  // lower forms shorter: kept
      {"AB\xC3\x84", "ab\xC3\x84"},  // a character cut by the end of the given length stays
  };
  for (auto [line, lowered] : cases) {
    lowerings.back().Apply(line.data(), line.size() - (line == "AB\xC3\x84"));
    EXPECT_EQ(line, lowered);
  }
#endif
}

TEST(FormatDateAndTimeTest, FollowTheFormat) {
#ifdef _WIN32
  GTEST_SKIP() << "strftime formats with glibc's extensions (%-H) are what POSIX locales give";
#else
  const LocalDateTime saturday{2026, 12, 5, 0, 0, 4, 999, 6}, leap_day{2024, 3, 1, 14, 2, 11, 0, 5};
  EXPECT_EQ(FormatDate({"%a %d.%m.%Y %j", ""}, leap_day), "Fri 01.03.2024 061");
  EXPECT_EQ(FormatDate({"%0300Y", ""}, saturday), std::string(296, '0') + "2026");  // outgrows the first buffer
  EXPECT_EQ(FormatTime({"", "%-H:%M:%S %I %p"}, saturday), "0:00:04 12 AM");
#endif
}

}  // namespace
}  // namespace sirvane
