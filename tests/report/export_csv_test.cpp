#include "report/export_csv.h"

#include <gtest/gtest.h>

#include "support/export_sample.h"

namespace sirvane {
namespace {

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

TEST(ExportCsvTest, OneRowPerUserAndHostThenTheSums) {
  ExportReport report = testing::SampleExport();
  report.users[0].prognosis_over_limit = false;  // tells the two flag columns apart
  EXPECT_EQ(EncodeCsv(report),
            "record,user,visible,page,bytes,kilobytes,prognosis_bytes,prognosis_kilobytes,traffic_over_limit,"
            "prognosis_over_limit,host\r\n"
            "user,\"ad\"\"min\",true,admin.html,9223372036854775807,9007199254740992,9223372036854775807,"
            "9007199254740992,true,false,\r\n"
            "host,\"ad\"\"min\",,,9000000,8789,,,,,\"a,b.example\"\r\n"
            "host,\"ad\"\"min\",,,1536,2,,,,,\r\n"
            "user,-,false,,3000,3,7500,7,false,false,\r\n"
            "unknown,,,,3000,3,,8,,,\r\n"
            "total,,,,9223372036854775807,9007199254740995,,-9223372036854775808,,,\r\n");
}

}  // namespace
}  // namespace sirvane
