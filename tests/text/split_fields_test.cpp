// Number parsing is checked through the configuration keys and the byte counts
// of log lines; lower-casing and dropped spaces through configuration values too.
#include "text/split_fields.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/byte_scans.h"

namespace sirvane {
namespace {

TEST(SplitFieldsTest, SplitsLowerCasesAndDropsSpaces) {
  const std::vector<std::tuple<std::string, char, std::vector<std::string>>> cases = {
      {"  alice   512", ' ', {"", "alice", "512"}}, {"alice 512 ", ' ', {"alice", "512", ""}}, {"", ' ', {""}},
      // A field of spaces is an empty field, not part of a run; a separator
      // that lower-casing changes never matches.
      {"a= =b", '=', {"a", "", "b"}}, {"aXb", 'X', {}}, {"aXbxc", 'x', {"a", "b", "c"}},
      {std::string("a\0b c", 5), ' ', {std::string("a\0b", 3), "c"}},
  };
  for (const auto& [text, separator, fields] : cases) {
    TTokenizedlogrec record;
    SplitFields(text, separator, record, LowerCase());
    EXPECT_EQ(std::vector<std::string>(record.fields.begin(), record.fields.end()), fields) << text;
  }
}

// The in-place splitter gives SplitFields' fields up to the last asked for, in
// every scanning way, on short lines and on long ones across the 64-byte blocks
// of the field search. Records are reused: a field past a line's own reads empty.
TEST(LineSplitterTest, AgreesWithSplitFields) {
  // Bytes, longest line, lines: letters, separators alone and in runs, zero and
  // high bytes (UTF-8 lower-casing: log_ingestion_test).
  const std::string high = std::string(1, '\0') + "\xC3\x84\xE4\xC4\xFF";
  const std::vector<std::tuple<std::string, std::size_t, int>> ways = {
      {"abcdefghijklmnopqrstuvwAxX     xxx,,;;|\t.-" + high, 300, 3000}, {"aAxX ,;|\t.-" + high, 24, 20000}};
  const std::string separators = std::string(" ,;|x\tX") + '\xE4';
  std::mt19937 next(12345);
  TTokenizedlogrec reference, fast;
  const LowerCase lower;
  for (const auto& [alphabet, longest, lines] : ways) {
    for (int i = 0; i < lines; ++i) {
      std::string text(next() % longest, ' ');
      for (char& c : text) c = alphabet[next() % alphabet.size()];
      const char separator = separators[next() % separators.size()];
      const std::int64_t last = static_cast<std::int64_t>(next() % (longest > 24 ? 40 : 8));
      SplitFields(text, separator, reference, lower);
      for (ByteScan scan : testing::ByteScansHere()) {
        std::string line = text;
        LineSplitter(separator, lower, last, scan).Split(line.data(), line.size(), fast);
        for (std::int64_t k = 1; k <= last; ++k)
          ASSERT_EQ(fast.Field(k), reference.Field(k)) << k << '|' << text << '|' << separator << '|' << int(scan);
      }
    }
  }
}

}  // namespace
}  // namespace sirvane
