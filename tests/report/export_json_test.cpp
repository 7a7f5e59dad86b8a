#include "report/export_json.h"

#include <gtest/gtest.h>

#include <limits>

namespace sirvane {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

TEST(ExportJsonTest, StringsAreEscapedAndAlwaysValidUtf8) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a\"b\\c/d\b\f\n\r\t", "\"a\\\"b\\\\c/d\\b\\f\\n\\r\\t\""},
      {std::string("\x00\x1f\x7f", 3), "\"\\u0000\\u001f\\u007f\""},
      {"m\xC3\xBCller \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF", "\"m\xC3\xBCller \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF\""},
      {"\xE2\x80\xA8\xE2\x80\xA9", "\"\\u2028\\u2029\""},
      // Each maximal invalid part becomes one U+FFFD; what follows is kept: a lone
      // continuation, a cut-off start, a surrogate.
      {"a\x80z\xE2\x82z\xC3\xC3\xBC\xC3\xED\xA0\x80", "\"a\\ufffdz\\ufffdz\\ufffd\xC3\xBC\\ufffd\\ufffd\\ufffd\\ufffd\""},
  };
  for (const auto& [text, expected] : cases) {
    std::string quoted;
    AppendJsonString(quoted, text);
    EXPECT_EQ(quoted, expected) << text;
  }
}

TEST(ExportJsonTest, DocumentLayout) {
  // Numbers as they are, even past 2^53 (kMax / 1024, rounded); one host per line;
  // names that need quoting; a hidden user without hosts has no page.
  const ExportUser admin{"ad\"min", true, "admin.html", kMax, 9007199254740992, kMax, 9007199254740992, true, true,
                         {{"a,b.example", 9000000, 8789}, {"", 1536, 2}}};
  const ExportUser anonymous{"-", false, "", 3000, 3, 7500, 7, false, false, {}};
  const ExportReport report{3, 2026, 10485760, {admin, anonymous}, {3000, 3, 8},
                            {kMax, 9007199254740995, std::numeric_limits<std::int64_t>::min()}};
  EXPECT_EQ(EncodeJson(report),
            "{\n  \"month\": 3,\n  \"year\": 2026,\n  \"limit\": 10485760,\n  \"users\": [\n"
            "    {\n      \"name\": \"ad\\\"min\",\n      \"visible\": true,\n      \"page\": \"admin.html\",\n"
            "      \"bytes\": 9223372036854775807,\n      \"kilobytes\": 9007199254740992,\n"
            "      \"prognosis_bytes\": 9223372036854775807,\n      \"prognosis_kilobytes\": 9007199254740992,\n"
            "      \"traffic_over_limit\": true,\n      \"prognosis_over_limit\": true,\n      \"hosts\": [\n"
            "        {\"name\": \"a,b.example\", \"bytes\": 9000000, \"kilobytes\": 8789},\n"
            "        {\"name\": \"\", \"bytes\": 1536, \"kilobytes\": 2}\n      ]\n    },\n"
            "    {\n      \"name\": \"-\",\n      \"visible\": false,\n      \"page\": null,\n"
            "      \"bytes\": 3000,\n      \"kilobytes\": 3,\n      \"prognosis_bytes\": 7500,\n"
            "      \"prognosis_kilobytes\": 7,\n      \"traffic_over_limit\": false,\n"
            "      \"prognosis_over_limit\": false,\n      \"hosts\": []\n    }\n  ],\n"
            "  \"unknown\": {\"bytes\": 3000, \"kilobytes\": 3, \"prognosis_kilobytes\": 8},\n"
            "  \"total\": {\"bytes\": 9223372036854775807, \"kilobytes\": 9007199254740995, "
            "\"prognosis_kilobytes\": -9223372036854775808}\n}\n");
}

}  // namespace
}  // namespace sirvane
