#include "report/export_csv.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace sirvane {
namespace {

// The layout of the rows is checked on built reports (export_report_test).
TEST(ExportCsvTest, FieldsAreQuotedOnlyWhenTheyNeedIt) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"alice", "alice"},
      {"", ""},
      {"corp\\alice", "corp\\alice"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"line\nbreak", "\"line\nbreak\""},
      {"cr\r", "\"cr\r\""},
      {"m\xC3\xBC\xFF", "m\xC3\xBC\xFF"},  // bytes as the log had them
  };
  for (const auto& [field, expected] : cases) {
    std::string out;
    AppendCsvField(out, field);
    EXPECT_EQ(out, expected) << field;
  }
}

}  // namespace
}  // namespace sirvane
