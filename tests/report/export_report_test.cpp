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
using testing::Exists;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

TEST(ExportReportTest, HasTheNumbersOfThePages) {
  ExampleReport report;
  report.Add({{"admin", 12000000, {{"mirror", 9000000}, {"10.1.2.3", 3000000}, {"fileserver", 0}}},
              {"sales/clerk", 8000000},
              {"-", 3000, {{"ads.example", 3000}}},
              {"guest", 0}});
  const ReportContext context = report.Context(2.5);
  WriteSummaryPage(report.tables, context);
  const ExportReport data = BuildExportReport(report.tables, context);

  EXPECT_EQ(data.month, 3);
  EXPECT_EQ(data.year, 2026);
  EXPECT_EQ(data.limit, 10485760);
  ASSERT_EQ(data.users.size(), 4u);
  const ExportUser& admin = data.users[0];
  EXPECT_EQ(admin.name, "admin");
  EXPECT_TRUE(admin.visible);
  EXPECT_EQ(admin.page, "admin.html");
  EXPECT_EQ(std::vector<std::int64_t>({admin.bytes, admin.kilobytes, admin.prognosis_bytes, admin.prognosis_kilobytes}),
            std::vector<std::int64_t>({12000000, 11719, 30000000, 29297}));
  EXPECT_TRUE(admin.traffic_over_limit);
  EXPECT_TRUE(admin.prognosis_over_limit);
  ASSERT_EQ(admin.hosts.size(), 2u);  // the host without traffic is left out, as on the page
  EXPECT_EQ(admin.hosts[1].name, "10.1.2.3");
  EXPECT_EQ(admin.hosts[1].kilobytes, 2930);

  const ExportUser& clerk = data.users[1];
  EXPECT_EQ(clerk.page, "salesclerk.html");
  EXPECT_FALSE(clerk.traffic_over_limit);
  EXPECT_TRUE(clerk.prognosis_over_limit);
  EXPECT_EQ(clerk.kilobytes, 7812);

  // Hidden users are listed too, without a page, with their hosts.
  EXPECT_FALSE(data.users[2].visible);
  EXPECT_EQ(data.users[2].page, "");
  EXPECT_EQ(data.users[2].hosts.size(), 1u);
  EXPECT_FALSE(data.users[3].visible);

  EXPECT_EQ(data.unknown.bytes, 3000);
  EXPECT_EQ(data.unknown.kilobytes, 3);
  EXPECT_EQ(data.unknown.prognosis_kilobytes, 8);
  EXPECT_EQ(data.total.bytes, 20003000);
  EXPECT_EQ(data.total.kilobytes, 19534);
  EXPECT_EQ(data.total.prognosis_kilobytes, 48835);
}

TEST(ExportReportTest, SumsSaturateAtTheLargestValue) {
  ExampleReport report;
  report.Add({{"a", kMax, {{"h", kMax}}}, {"b", kMax}, {"-", kMax}});
  const ReportContext context = report.Context(2.5);
  WriteSummaryPage(report.tables, context);
  const ExportReport data = BuildExportReport(report.tables, context);
  EXPECT_EQ(data.users[0].kilobytes, 9007199254740992);
  EXPECT_EQ(data.users[0].prognosis_bytes, kMax);
  EXPECT_EQ(data.users[0].prognosis_kilobytes, 22517998136852480);
  EXPECT_EQ(data.users[0].hosts[0].bytes, kMax);
  EXPECT_EQ(data.total.bytes, kMax);
  EXPECT_EQ(data.total.kilobytes, 3 * 9007199254740992);
  EXPECT_EQ(data.unknown.bytes, kMax);
  EXPECT_EQ(data.unknown.prognosis_kilobytes, 22517998136852480);
}

TEST(ExportReportTest, WritesOnlyTheConfiguredFiles) {
  struct Case {
    bool csv;
    bool json;
  };
  for (const Case c : {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
    ExampleReport report;
    report.settings.ExportCsv = c.csv;
    report.settings.ExportJson = c.json;
    report.Add({{"admin", 12000000, {{"mirror", 9000000}}}});
    const ReportContext context = report.Context(2.5);
    WriteSummaryPage(report.tables, context);
    WriteExports(report.tables, context);
    EXPECT_EQ(Exists(report.dir.File("report.csv")), c.csv);
    EXPECT_EQ(Exists(report.dir.File("report.json")), c.json);
    const ExportReport data = BuildExportReport(report.tables, context);
    if (c.csv) {
      EXPECT_EQ(report.Read("report.csv"), EncodeCsv(data));
    }
    if (c.json) {
      EXPECT_EQ(report.Read("report.json"), EncodeJson(data));
    }
  }
}

}  // namespace
}  // namespace sirvane
