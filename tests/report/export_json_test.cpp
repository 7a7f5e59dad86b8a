#include "report/export_json.h"

#include <gtest/gtest.h>

#include "support/export_sample.h"

namespace sirvane {
namespace {

std::string Quoted(std::string_view text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

TEST(ExportJsonTest, StringsAreEscapedAndAlwaysValidUtf8) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "\"\""},
      {"a\"b\\c/d", "\"a\\\"b\\\\c/d\""},
      {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
      {std::string("\x00\x01\x1f\x7f", 4), "\"\\u0000\\u0001\\u001f\\u007f\""},
      {"m\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80", "\"m\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80\""},
      {"\xE2\x80\xA8\xE2\x80\xA9", "\"\\u2028\\u2029\""},
      // Each maximal invalid part becomes one U+FFFD; what follows is kept.
      {"a\x80z", "\"a\\ufffdz\""},
      {"\xC3", "\"\\ufffd\""},                     // cut off at the end
      {"\xE2\x82z", "\"\\ufffdz\""},               // cut off before an ASCII byte
      {"\xE0\x80\x80", "\"\\ufffd\\ufffd\\ufffd\""},  // overlong three-byte form
      {"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},  // a surrogate
      {"\xF4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},  // above U+10FFFF
      {"\xF4\x8F\xBF\xBF", "\"\xF4\x8F\xBF\xBF\""},              // U+10FFFF itself
      {"\xC3\xC3\xBC", "\"\\ufffd\xC3\xBC\""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Quoted(text), expected) << text;
}

TEST(ExportJsonTest, DocumentLayout) {
  ExportReport report = testing::SampleExport();
  EXPECT_EQ(EncodeJson(report),
            "{\n"
            "  \"month\": 3,\n"
            "  \"year\": 2026,\n"
            "  \"limit\": 10485760,\n"
            "  \"users\": [\n"
            "    {\n"
            "      \"name\": \"ad\\\"min\",\n"
            "      \"visible\": true,\n"
            "      \"page\": \"admin.html\",\n"
            "      \"bytes\": 9223372036854775807,\n"
            "      \"kilobytes\": 9007199254740992,\n"
            "      \"prognosis_bytes\": 9223372036854775807,\n"
            "      \"prognosis_kilobytes\": 9007199254740992,\n"
            "      \"traffic_over_limit\": true,\n"
            "      \"prognosis_over_limit\": true,\n"
            "      \"hosts\": [\n"
            "        {\"name\": \"a,b.example\", \"bytes\": 9000000, \"kilobytes\": 8789},\n"
            "        {\"name\": \"\", \"bytes\": 1536, \"kilobytes\": 2}\n"
            "      ]\n"
            "    },\n"
            "    {\n"
            "      \"name\": \"-\",\n"
            "      \"visible\": false,\n"
            "      \"page\": null,\n"
            "      \"bytes\": 3000,\n"
            "      \"kilobytes\": 3,\n"
            "      \"prognosis_bytes\": 7500,\n"
            "      \"prognosis_kilobytes\": 7,\n"
            "      \"traffic_over_limit\": false,\n"
            "      \"prognosis_over_limit\": false,\n"
            "      \"hosts\": []\n"
            "    }\n"
            "  ],\n"
            "  \"unknown\": {\"bytes\": 3000, \"kilobytes\": 3, \"prognosis_kilobytes\": 8},\n"
            "  \"total\": {\"bytes\": 9223372036854775807, \"kilobytes\": 9007199254740995, "
            "\"prognosis_kilobytes\": -9223372036854775808}\n"
            "}\n");

  // Zero is the one number the sample lacks; the extremes and 2^53 + 3 are in it.
  report.users.clear();
  report.limit = 0;
  EXPECT_NE(EncodeJson(report).find("\"limit\": 0,\n  \"users\": [],\n"), std::string::npos);
}

}  // namespace
}  // namespace sirvane
