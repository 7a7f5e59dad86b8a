#include "text/split_fields.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <string>
#include <vector>

#include "support/byte_scans.h"

namespace sirvane {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  TTokenizedlogrec record;
  SplitFields(text, separator, record, LowerCase());
  return {record.fields.begin(), record.fields.end()};
}

struct SplitCase {
  std::string text;
  char separator;
  std::vector<std::string> fields;
};

TEST(SplitFieldsTest, SplitsLowerCasesAndDropsSpaces) {
  const std::vector<SplitCase> cases = {
      {"Alice GET http://HOST.Example/ 512", ' ', {"alice", "get", "http://host.example/", "512"}},
      {"  alice   512", ' ', {"", "alice", "512"}},
      {"alice 512 ", ' ', {"alice", "512", ""}},
      {"", ' ', {""}},
      {"   ", ' ', {"", ""}},
      {"a\tb c", ' ', {"a\tb", "c"}},
      {"NameField = 3", '=', {"namefield", "3"}},
      {"outputpath=", '=', {"outputpath", ""}},
      {"inputpath", '=', {"inputpath"}},
      {"limit==5", '=', {"limit", "5"}},
      {"a=b=c", '=', {"a", "b", "c"}},
      {"a= =b", '=', {"a", "", "b"}},
      {"http://host.example/a/b", '/', {"http:", "host.example", "a", "b"}},
      {"host.example:443", '/', {"host.example:443"}},
      {"/index.html", '/', {"", "index.html"}},
      {"C:\\Log Files\\*.log", '\\', {"c:", "logfiles", "*.log"}},
      {"aXb", 'X', {}},  // a separator that lower-casing changes never matches
      {"aXbxc", 'x', {"a", "b", "c"}},
      {std::string("a\0b c", 5), ' ', {std::string("a\0b", 3), "c"}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(Split(c.text, c.separator), c.fields) << "text: '" << c.text << "'";
  }
}

TEST(SplitFieldsTest, HasNoFieldLimitAndReadsPositionsBeyondTheTextAsEmpty) {
  std::string words;
  for (int i = 0; i < 5000; ++i) words += "W ";
  const std::vector<std::string> fields = Split(words, ' ');
  ASSERT_EQ(fields.size(), 5001u);  // the trailing separator gives an empty last field
  EXPECT_EQ(fields.front(), "w");
  EXPECT_EQ(words.front(), 'W');  // the caller's text is left alone

  TTokenizedlogrec record;
  SplitFields("a b c", ' ', record, LowerCase());
  SplitFields("x", ' ', record, LowerCase());
  EXPECT_EQ(record.Field(1), "x");
  EXPECT_EQ(record.Field(2), "");  // not the earlier text's "b"
}

TEST(IsNumberTest, AcceptsDigitRunsBelowTwoToTheThirty) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"", false},          {"0", true},           {"0000000000000042", true},
      {"12a", false},       {"-5", false},         {"+5", false},
      {" 5", false},        {"1073741823", true},  {"1073741824", false},
      {"2147483647", false}, {"2147483648", false}, {"99999999999999999999", false},
      {"00000000000000000000001073741823", true},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(IsNumber(text), expected) << text;
  EXPECT_EQ(NumberValue("007"), 7);
  EXPECT_EQ(NumberValue("1073741823"), 1073741823);
}

TEST(ParseByteCountTest, AcceptsEverySignedSixtyFourBitValue) {
  std::int64_t value = 0;
  EXPECT_TRUE(ParseByteCount("0009223372036854775807", value));
  EXPECT_EQ(value, INT64_MAX);
  for (const char* text : {"9223372036854775808", "99999999999999999999", "", "-1", "12k"}) {
    EXPECT_FALSE(ParseByteCount(text, value)) << text;
  }
}

}  // namespace
}  // namespace sirvane

namespace sirvane {
namespace {

// The in-place splitter must give exactly the fields SplitFields gives, up to
// the last field asked for, whatever the bytes and the separator.
void ExpectSameFields(const std::string& text, char separator, const LowerCase& lower, std::int64_t last) {
  TTokenizedlogrec reference;
  SplitFields(text, separator, reference, lower);
  for (ByteScan scan : testing::ByteScansHere()) {
    std::string line = text;
    TTokenizedlogrec fast;
    LineSplitter(separator, lower, last, scan).Split(line.data(), line.size(), fast);
    for (std::int64_t k = 1; k <= last; ++k) {
      ASSERT_EQ(fast.Field(k), reference.Field(k)) << "field " << k << " of '" << text << "' split at '" << separator
                                                   << "', " << testing::ByteScanName(scan);
    }
  }
}

// Lines up to `longest` bytes; long ones cross the 64-byte blocks of the
// field search with fields, runs of separators and their ends anywhere.
void CompareOnRandomLines(const LowerCase& lower, const std::string& alphabet, std::size_t longest = 24,
                          int lines = 20000) {
  std::uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::size_t>(state >> 33);
  };
  const std::string separators = std::string(" ,;|x\tX") + '\xE4';
  for (int i = 0; i < lines; ++i) {
    std::string text;
    const std::size_t length = next() % longest;
    for (std::size_t j = 0; j < length; ++j) text.push_back(alphabet[next() % alphabet.size()]);
    const char separator = separators[next() % separators.size()];
    const std::int64_t last = static_cast<std::int64_t>(next() % (longest > 24 ? 40 : 8));
    ExpectSameFields(text, separator, lower, last);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

TEST(LineSplitterTest, AgreesWithSplitFieldsOnLongLinesInEveryScanningWay) {
  // Mostly letters, so that fields run across block boundaries; separators
  // in runs (a space and an 'x' each stand for themselves and for runs).
  const std::string alphabet = std::string("abcdefghijklmnopqrstuvwAxX     xxx,,;;|\t.-") + '\0' + "\xC3\x84\xE4\xC4\xFF";
  CompareOnRandomLines(LowerCase(), alphabet, 300, 3000);
}

TEST(LineSplitterTest, FindsFieldsAtBlockBoundaries) {
  // Separators and runs of them just before, at and after each 64-byte boundary.
  for (std::size_t at : {62u, 63u, 64u, 65u, 126u, 127u, 128u, 129u, 191u, 192u}) {
    for (std::size_t run = 1; run <= 3; ++run) {
      for (std::size_t size : {at + run, at + run + 1, at + run + 70}) {
        std::string text(size, 'a');
        for (std::size_t i = 5; i < at; i += 9) text[i] = ' ';
        for (std::size_t i = at; i < at + run && i < size; ++i) text[i] = ' ';
        ExpectSameFields(text, ' ', LowerCase(), 30);
        text.insert(0, " ");  // a leading separator shifts everything by one
        ExpectSameFields(text, ' ', LowerCase(), 30);
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
  }
}

TEST(LineSplitterTest, AgreesWithSplitFieldsOnRandomLines) {
  const std::string alphabet = std::string("aAxX ,;|\t.-") + '\0' + "\xC3\x84\xE4\xC4\xFF";
  CompareOnRandomLines(LowerCase(), alphabet);
}

TEST(LineSplitterTest, AgreesWithSplitFieldsInAUtf8Locale) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX locales (newlocale); the Windows lowering is checked in locale_test";
#else
  locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (utf8 == static_cast<locale_t>(nullptr)) GTEST_SKIP() << "no C.UTF-8 locale";
  const locale_t previous = uselocale(utf8);
  const LowerCase lower = LowerCase::FromCurrentLocale();
  uselocale(previous);
  freelocale(utf8);
  ASSERT_EQ(lower.mode(), LowerCase::Mode::kUtf8);
  // "Ä" and "ä", a space inside a two-byte character, and stray bytes.
  CompareOnRandomLines(lower, std::string("aAX ,;\xC3\x84\xA4\x80\xE4") + "\xC3 \x84");
#endif
}

}  // namespace
}  // namespace sirvane
