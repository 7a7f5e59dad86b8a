#include "report/export_report.h"

#include <gtest/gtest.h>

#include <limits>

#include "report/export_csv.h"
#include "report/export_json.h"
#include "report/summary_page.h"
#include "support/golden.h"

namespace sirvane {
namespace {

using testing::ExampleReport;

// The records are read through the CSV encoder: one line holds every number
// of a user or host, and fields that hold a comma, a quote or a line end are
// quoted. The first case is written as CSV, the second as JSON: each setting
// writes its own file, with what the encoder gives.
TEST(ExportReportTest, WritesTheNumbersOfThePagesToTheConfiguredFile) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  struct Case {
    const char* what;
    std::vector<testing::UserUsage> users;
    std::string records;  // the CSV after its header
  };
  const std::string max = "9223372036854775807", kb = "9007199254740992", prognosis = "22517998136852480";
  const std::string header =
      "record,user,visible,page,bytes,kilobytes,prognosis_bytes,prognosis_kilobytes,traffic_over_limit,"
      "prognosis_over_limit,host\r\n";
  const Case cases[] = {
      // Hosts without traffic are left out, as on the pages; hidden users are listed, without a page.
      {"the example",
       {{"admin", 12000000, {{"mirror", 9000000}, {"10.1.2.3", 3000000}, {"fileserver", 0}}},
        {"sales/clerk", 8000000}, {"-", 3000, {{"ads.example", 3000}}}, {"guest", 0}},
       "user,admin,true,admin.html,12000000,11719,30000000,29297,true,true,\r\n"
       "host,admin,,,9000000,8789,,,,,mirror\r\n"
       "host,admin,,,3000000,2930,,,,,10.1.2.3\r\n"
       "user,sales/clerk,true,salesclerk.html,8000000,7812,20000000,19531,false,true,\r\n"
       "user,-,false,,3000,3,7500,7,false,false,\r\n"
       "host,-,,,3000,3,,,,,ads.example\r\n"
       "user,guest,false,,0,0,0,0,false,false,\r\n"
       "unknown,,,,3000,3,,8,,,\r\n"
       "total,,,,20003000,19534,,48835,,,\r\n"},
      // The largest count, its kilobytes and their prognosis.
      {"sums at the largest value, fields to quote",
       {{"a\"", kMax, {{"h,1", kMax}, {"\r", kMax}}}, {"b\n", kMax}, {"-", kMax}},
       "user,\"a\"\"\",true,a_.html," + max + "," + kb + "," + max + "," + prognosis + ",true,true,\r\n"
       "host,\"a\"\"\",,," + max + "," + kb + ",,,,,\"h,1\"\r\n"
       "host,\"a\"\"\",,," + max + "," + kb + ",,,,,\"\r\"\r\n"
       "user,\"b\n\",true,b_.html," + max + "," + kb + "," + max + "," + prognosis + ",true,true,\r\n"
       "user,-,false,," + max + "," + kb + "," + max + "," + prognosis + ",true,true,\r\n"
       "unknown,,,," + max + "," + kb + ",," + prognosis + ",,,\r\n"
       "total,,,," + max + ",27021597764222976,,67553994410557440,,,\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bool csv = &c == &cases[0];
    ExampleReport report;
    report.settings.ExportCsv = csv;
    report.settings.ExportJson = !csv;
    report.Add(c.users);
    const ReportContext context = report.Context(2.5);
    WriteSummaryPage(report.tables, context);  // gives the users their page names
    WriteExports(report.tables, context);
    const ExportReport data = BuildExportReport(report.tables, context);
    EXPECT_EQ(std::vector<int>({data.month, data.year}), std::vector<int>({3, 2026}));
    EXPECT_EQ(data.limit, 10485760);
    EXPECT_EQ(EncodeCsv(data), header + c.records);
    EXPECT_FALSE(testing::Exists(report.dir.File(csv ? "report.json" : "report.csv")));
    EXPECT_EQ(report.Read(csv ? "report.csv" : "report.json"), csv ? EncodeCsv(data) : EncodeJson(data));
  }
}

}  // namespace
}  // namespace sirvane
