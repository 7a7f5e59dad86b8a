// The number tests are checked through the configuration keys
// (configuration_test) and the byte counts of log lines (log_line_parser_test).
#include "text/split_fields.h"

#include <gtest/gtest.h>

#include <clocale>
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

TEST(SplitFieldsTest, SplitsLowerCasesAndDropsSpaces) {
  const std::vector<std::tuple<std::string, char, std::vector<std::string>>> cases = {
      {"Alice GET http://HOST.Example/ 512", ' ', {"alice", "get", "http://host.example/", "512"}},
      {"  alice   512", ' ', {"", "alice", "512"}},
      {"alice 512 ", ' ', {"alice", "512", ""}},
      {"", ' ', {""}},
      {"   ", ' ', {"", ""}},
      {"a\tb c", ' ', {"a\tb", "c"}},
      {"NameField = 3", '=', {"namefield", "3"}},
      {"outputpath=", '=', {"outputpath", ""}},
      {"a= =b", '=', {"a", "", "b"}},
      {"http://host.example/a/b", '/', {"http:", "host.example", "a", "b"}},
      {"/index.html", '/', {"", "index.html"}},
      {"C:\\Log Files\\*.log", '\\', {"c:", "logfiles", "*.log"}},
      {"aXb", 'X', {}},  // a separator that lower-casing changes never matches
      {"aXbxc", 'x', {"a", "b", "c"}},
      {std::string("a\0b c", 5), ' ', {std::string("a\0b", 3), "c"}},
  };
  for (const auto& [text, separator, fields] : cases) EXPECT_EQ(Split(text, separator), fields) << text;

  std::string words;
  for (int i = 0; i < 5000; ++i) words += "W ";
  EXPECT_EQ(Split(words, ' ').size(), 5001u);  // no limit; the trailing separator gives an empty last field
  EXPECT_EQ(words.front(), 'W');               // the caller's text is left alone
  TTokenizedlogrec record;
  SplitFields("a b c", ' ', record, LowerCase());
  SplitFields("x", ' ', record, LowerCase());
  EXPECT_EQ(record.Field(2), "");  // not the earlier text's "b"
}

// The in-place splitter must give exactly the fields SplitFields gives, up to
// the last field asked for, in every scanning way, on random lines: short
// ones over few bytes, and long ones that cross the 64-byte blocks of the
// field search with fields, runs of separators and their ends anywhere.
TEST(LineSplitterTest, AgreesWithSplitFields) {
  struct Way {
    LowerCase lower;
    std::string alphabet;
    std::size_t longest;
    int lines;
  };
  // Letters, separators standing for themselves and in runs, zero and high bytes.
  std::vector<Way> ways = {
      {LowerCase(), std::string("abcdefghijklmnopqrstuvwAxX     xxx,,;;|\t.-") + '\0' + "\xC3\x84\xE4\xC4\xFF", 300, 3000},
      {LowerCase(), std::string("aAxX ,;|\t.-") + '\0' + "\xC3\x84\xE4\xC4\xFF", 24, 20000}};
  const std::string previous = std::setlocale(LC_CTYPE, nullptr);
  if (std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr) {
    // "Ä" and "ä", a space inside a two-byte character, and stray bytes.
    ways.push_back({LowerCase::FromCurrentLocale(), std::string("aAX ,;\xC3\x84\xA4\x80\xE4") + "\xC3 \x84", 24, 20000});
    std::setlocale(LC_CTYPE, previous.c_str());
    ASSERT_EQ(ways.back().lower.mode(), LowerCase::Mode::kUtf8);
  }
  const std::string separators = std::string(" ,;|x\tX") + '\xE4';
  std::uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::size_t>(state >> 33);
  };
  TTokenizedlogrec reference, fast;
  for (const Way& way : ways) {
    for (int i = 0; i < way.lines; ++i) {
      std::string text(next() % way.longest, ' ');
      for (char& c : text) c = way.alphabet[next() % way.alphabet.size()];
      const char separator = separators[next() % separators.size()];
      const std::int64_t last = static_cast<std::int64_t>(next() % (way.longest > 24 ? 40 : 8));
      SplitFields(text, separator, reference, way.lower);
      for (ByteScan scan : testing::ByteScansHere()) {
        std::string line = text;
        LineSplitter(separator, way.lower, last, scan).Split(line.data(), line.size(), fast);
        for (std::int64_t k = 1; k <= last; ++k) {
          ASSERT_EQ(fast.Field(k), reference.Field(k)) << "field " << k << " of '" << text << "' split at '"
                                                       << separator << "', " << testing::ByteScanName(scan);
        }
      }
    }
  }
}

}  // namespace
}  // namespace sirvane
