// The number tests are checked through the configuration keys
// (configuration_test) and the byte counts of log lines (log_ingestion_test);
// lower-casing and spaces dropped inside a field through the configuration
// values too.
#include "text/split_fields.h"

#include <gtest/gtest.h>

#include <clocale>
#include <random>
#include <string>
#include <vector>

#include "support/byte_scans.h"

namespace sirvane {
namespace {

TEST(SplitFieldsTest, SplitsLowerCasesAndDropsSpaces) {
  const std::vector<std::tuple<std::string, char, std::vector<std::string>>> cases = {
      {"  alice   512", ' ', {"", "alice", "512"}}, {"alice 512 ", ' ', {"alice", "512", ""}}, {"", ' ', {""}},
      {"a= =b", '=', {"a", "", "b"}},  // a field of spaces is an empty field, not part of a run
      {"aXb", 'X', {}},  // a separator that lower-casing changes never matches
      {"aXbxc", 'x', {"a", "b", "c"}},
      {std::string("a\0b c", 5), ' ', {std::string("a\0b", 3), "c"}},
  };
  for (const auto& [text, separator, fields] : cases) {
    TTokenizedlogrec record;
    SplitFields(text, separator, record, LowerCase());
    EXPECT_EQ(std::vector<std::string>(record.fields.begin(), record.fields.end()), fields) << text;
  }
}

// The in-place splitter must give exactly the fields SplitFields gives, up to
// the last field asked for, in every scanning way, on random lines: short
// ones over few bytes, and long ones that cross the 64-byte blocks of the
// field search with fields, runs of separators and their ends anywhere. The
// records are reused: a field beyond a line's own must read as empty.
TEST(LineSplitterTest, AgreesWithSplitFields) {
  // Lowering, bytes, longest line, lines: letters, separators standing for
  // themselves and in runs, zero and high bytes.
  const std::string high = std::string(1, '\0') + "\xC3\x84\xE4\xC4\xFF";
  std::vector<std::tuple<LowerCase, std::string, std::size_t, int>> ways = {
      {LowerCase(), "abcdefghijklmnopqrstuvwAxX     xxx,,;;|\t.-" + high, 300, 3000},
      {LowerCase(), "aAxX ,;|\t.-" + high, 24, 20000}};
  const std::string previous = std::setlocale(LC_CTYPE, nullptr);
  if (std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr) {
    // "Ä" and "ä", a space inside a two-byte character, and stray bytes.
    ways.push_back({LowerCase::FromCurrentLocale(), "aAX ,;\xC3\x84\xA4\x80\xE4\xC3 \x84", 24, 20000});
    std::setlocale(LC_CTYPE, previous.c_str());
    ASSERT_EQ(std::get<LowerCase>(ways.back()).mode(), LowerCase::Mode::kUtf8);
  }
  const std::string separators = std::string(" ,;|x\tX") + '\xE4';
  std::mt19937 next(12345);
  TTokenizedlogrec reference, fast;
  for (const auto& [lower, alphabet, longest, lines] : ways) {
    for (int i = 0; i < lines; ++i) {
      std::string text(next() % longest, ' ');
      for (char& c : text) c = alphabet[next() % alphabet.size()];
      const char separator = separators[next() % separators.size()];
      const std::int64_t last = static_cast<std::int64_t>(next() % (longest > 24 ? 40 : 8));
      SplitFields(text, separator, reference, lower);
      for (ByteScan scan : testing::ByteScansHere()) {
        std::string line = text;
        LineSplitter(separator, lower, last, scan).Split(line.data(), line.size(), fast);
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
