#include "report/summary_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/user_pages.h"
#include "support/golden.h"

namespace sirvane {
namespace {

using testing::ExampleReport;
using testing::UserUsage;

std::string WriteSummary(ExampleReport& report, double factor) {
  WriteSummaryPage(report.tables, report.Context(factor));
  return report.Read("report.html");
}

// (The golden summary page is compared in user_pages_test.)
TEST(SummaryPageTest, RowsAndHighlighting) {
  struct Case {
    const char* what;
    std::int64_t limit;
    double factor;
    std::vector<UserUsage> users;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      // The total's prognosis 29297.5 K is a tie and goes to even.
      {"limit 0 highlights nothing", 0, 2.5, {{"big", 12000000}},
       {"big|11719K|29297K", "unknown|0K|0K", "total:|11719K|29298K"}},
      {"the limit itself is reached, one byte less is not", 10240, 1.0, {{"at", 10240}, {"below", 10239}},
       {"at|!10K|!10K", "below|10K|10K", "unknown|0K|0K", "total:|20K|20K"}},
      // 3333 x 3.0003 = 9999.9999 bytes: only the rounded projection meets the limit.
      {"rounded projection reaches the limit", 10000, 3.0003, {{"near", 3333}},
       {"near|3K|!10K", "unknown|0K|0K", "total:|3K|9K"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExampleReport report;
    report.settings.Limit = c.limit;
    report.Add(c.users);
    EXPECT_EQ(testing::TableRows(WriteSummary(report, c.factor), report.templates.UserTableHeader), c.rows);
  }
}

// Every link leads to the page of its user, whatever the name holds.
TEST(SummaryPageTest, LinksLeadToEscapedUsersOwnPages) {
  ExampleReport report;
  report.Add({{"<script>alert('x')</script>&\"", 2048}, {"sales/clerk", 4096}, {"salesclerk", 2048}});
  const std::string summary = WriteSummary(report, 1.0);
  WriteUserPages(report.tables, report.Context(1.0));
  const std::string shown = "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&amp;&quot;";
  EXPECT_NE(summary.find("<a href=\"_script_alert%28%27x%27%29_script_%26_.html\">" + shown + "</a>"), std::string::npos);
  EXPECT_NE(report.Read("_script_alert('x')_script_&_.html").find("<strong>" + shown + "</strong>"), std::string::npos);
}

}  // namespace
}  // namespace sirvane
