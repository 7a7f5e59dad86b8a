#include "report/export_report.h"

#include <gtest/gtest.h>

#include "report/export_csv.h"
#include "report/summary_page.h"
#include "support/golden.h"

namespace sirvane {
namespace {

// Read through the CSV encoder: one line holds every number of a user or host, and
// a field with a comma or quote is quoted. Hosts without traffic are left out; hidden
// users are listed, without a page. Only the configured file is written.
TEST(ExportReportTest, WritesTheNumbersOfThePagesToTheConfiguredFile) {
  testing::ExampleReport report;
  report.settings.ExportCsv = true;
  report.Add({{"admin", 12000000, {{"mirror", 9000000}, {"10.1.2.3", 3000000}, {"fileserver", 0}}},
              {"sales/clerk", 8000000}, {"-", 3000, {{"ads,\"x\"", 3000}}}, {"guest", 0}});
  const ReportContext context = report.Context(2.5);
  WriteSummaryPage(report.tables, context);  // gives the users their page names
  WriteExports(report.tables, context);
  const ExportReport data = BuildExportReport(report.tables, context);
  EXPECT_EQ(std::vector<int>({data.month, data.year}), std::vector<int>({3, 2026}));
  EXPECT_EQ(data.limit, 10485760);
  EXPECT_EQ(EncodeCsv(data),
            "record,user,visible,page,bytes,kilobytes,prognosis_bytes,prognosis_kilobytes,traffic_over_limit,"
            "prognosis_over_limit,host\r\n"
            "user,admin,true,admin.html,12000000,11719,30000000,29297,true,true,\r\n"
            "host,admin,,,9000000,8789,,,,,mirror\r\n"
            "host,admin,,,3000000,2930,,,,,10.1.2.3\r\n"
            "user,sales/clerk,true,salesclerk.html,8000000,7812,20000000,19531,false,true,\r\n"
            "user,-,false,,3000,3,7500,7,false,false,\r\n"
            "host,-,,,3000,3,,,,,\"ads,\"\"x\"\"\"\r\n"
            "user,guest,false,,0,0,0,0,false,false,\r\n"
            "unknown,,,,3000,3,,8,,,\r\n"
            "total,,,,20003000,19534,,48835,,,\r\n");
  EXPECT_EQ(report.Read("report.csv"), EncodeCsv(data));
  EXPECT_FALSE(testing::Exists(report.dir.File("report.json")));
}

}  // namespace
}  // namespace sirvane
