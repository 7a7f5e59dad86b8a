#include "report/export_csv.h"

#include <gtest/gtest.h>

#include <limits>

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
  ExportReport report;
  ExportUser& admin = report.users.emplace_back();
  admin.name = "admin";
  admin.visible = true;
  admin.page = "admin.html";
  admin.bytes = std::numeric_limits<std::int64_t>::max();
  admin.kilobytes = 9007199254740992;
  admin.prognosis_bytes = std::numeric_limits<std::int64_t>::max();
  admin.prognosis_kilobytes = 9007199254740992;
  admin.traffic_over_limit = true;
  admin.hosts = {{"a,b.example", 9000000, 8789}, {"", 1536, 2}};
  ExportUser& anonymous = report.users.emplace_back();
  anonymous.name = "-";
  anonymous.bytes = 3000;
  anonymous.kilobytes = 3;
  anonymous.prognosis_bytes = 7500;
  anonymous.prognosis_kilobytes = 7;
  report.unknown = {3000, 3, 8};
  report.total = {std::numeric_limits<std::int64_t>::max(), 9007199254740995,
                  std::numeric_limits<std::int64_t>::min()};

  EXPECT_EQ(EncodeCsv(report),
            "record,user,visible,page,bytes,kilobytes,prognosis_bytes,prognosis_kilobytes,traffic_over_limit,"
            "prognosis_over_limit,host\r\n"
            "user,admin,true,admin.html,9223372036854775807,9007199254740992,9223372036854775807,"
            "9007199254740992,true,false,\r\n"
            "host,admin,,,9000000,8789,,,,,\"a,b.example\"\r\n"
            "host,admin,,,1536,2,,,,,\r\n"
            "user,-,false,,3000,3,7500,7,false,false,\r\n"
            "unknown,,,,3000,3,,8,,,\r\n"
            "total,,,,9223372036854775807,9007199254740995,,-9223372036854775808,,,\r\n");
}

}  // namespace
}  // namespace sirvane
