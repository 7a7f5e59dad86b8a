#include "text/split_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
      {"alice 512   ", ' ', {"alice", "512", ""}},
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
      {"http://", '/', {"http:", ""}},
      {"C:\\Log Files\\*.log", '\\', {"c:", "logfiles", "*.log"}},
      {"\\logs\\*.log", '\\', {"", "logs", "*.log"}},
      {"aXb", 'X', {}},  // a separator that lower-casing changes never matches
      {"aXbxc", 'x', {"a", "b", "c"}},
      {std::string("a\0b c", 5), ' ', {std::string("a\0b", 3), "c"}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(Split(c.text, c.separator), c.fields) << "text: '" << c.text << "'";
  }
}

TEST(SplitFieldsTest, HasNoFieldLimitAndLeavesTheCallersTextAlone) {
  std::string words;
  for (int i = 0; i < 5000; ++i) words += "W ";
  const std::string before = words;
  const std::vector<std::string> fields = Split(words, ' ');
  EXPECT_EQ(fields.size(), 5001u);  // the trailing separator gives an empty last field
  EXPECT_EQ(fields.front(), "w");
  EXPECT_EQ(fields.back(), "");
  EXPECT_EQ(words, before);
}

TEST(SplitFieldsTest, PositionsBeyondTheLineReadAsEmpty) {
  TTokenizedlogrec record;
  SplitFields("a b c", ' ', record, LowerCase());
  SplitFields("x", ' ', record, LowerCase());
  EXPECT_EQ(record.FieldCount(), 1);
  EXPECT_EQ(record.Field(1), "x");
  EXPECT_EQ(record.Field(2), "");  // not the earlier line's "b"
  EXPECT_EQ(record.Field(0), "");
  EXPECT_EQ(record.Field(1001), "");
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
  const std::vector<std::tuple<std::string, bool, std::int64_t>> cases = {
      {"0", true, 0},
      {"2326", true, 2326},
      {"1073741824", true, 1073741824},
      {"0009223372036854775807", true, INT64_MAX},
      {"9223372036854775808", false, 0},
      {"99999999999999999999", false, 0},
      {"", false, 0},
      {"-1", false, 0},
      {"12k", false, 0},
  };
  for (const auto& [text, ok, value] : cases) {
    std::int64_t parsed = -7;
    EXPECT_EQ(ParseByteCount(text, parsed), ok) << text;
    if (ok) {
      EXPECT_EQ(parsed, value) << text;
    }
  }
}

}  // namespace
}  // namespace sirvane
