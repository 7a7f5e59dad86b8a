#include "report/user_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "report/summary_page.h"
#include "support/golden.h"

namespace sirvane {
namespace {

using testing::ExampleReport;

// The summary page comes first, as in a run: it gives the users their page names.
void WritePages(ExampleReport& report) {
  WriteSummaryPage(report.tables, report.Context(2.5));
  WriteUserPages(report.tables, report.Context(2.5));
}

TEST(UserPagesTest, ExamplePageMatchesByteForByte) {
  ExampleReport report;
  report.Add({{"admin", 12000000, {{"mirror", 9000000}, {"10.1.2.3", 3000000}, {"fileserver", 0}}}});
  WritePages(report);
  EXPECT_EQ(report.Read("admin.html"), testing::Golden("admin_page.html"));
}

TEST(UserPagesTest, HostsWithTrafficAreListedEscaped) {
  ExampleReport report;
  report.Add({{"u", 4096, {{"", 1536}, {"minus", -5}, {"a<b>&\"c'", 512}, {"x", 513}}}});
  WritePages(report);
  EXPECT_EQ(testing::TableRows(report.Read("u.html"), report.templates.UrlTableHeader),
            (std::vector<std::string>{"|2K", "a&lt;b&gt;&amp;&quot;c&#39;|0K", "x|1K"}));
}

TEST(UserPagesTest, OnlyVisibleUsersGetAPage) {
  ExampleReport report;
  report.settings.InvisibleUsers = {"boss"};
  report.Add({{"shown", 2048}, {"-", 2048}, {"idle", 0}, {"boss", 2048}});
  WritePages(report);
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(report.dir.path())) {
    files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"report.html", "shown.html"}));
}

}  // namespace
}  // namespace sirvane
