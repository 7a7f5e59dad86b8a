#include "report/user_pages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "report/summary_page.h"
#include "support/golden.h"
#include "support/temp_dir.h"

namespace sirvane {
namespace {

using testing::ExampleReport;
using Users = std::vector<testing::UserUsage>;

// The summary page comes first, as in a run: it gives the users their page names.
void WritePages(ExampleReport& report, unsigned threads = 1) {
  WriteSummaryPage(report.tables, report.Context(2.5));
  WriteUserPages(report.tables, report.Context(2.5), threads);
}

// The summary page and a user's page of one report.
TEST(UserPagesTest, ExamplePagesMatchByteForByte) {
  ExampleReport report;
  report.Add({{"admin", 12000000, {{"mirror", 9000000}, {"10.1.2.3", 3000000}, {"fileserver", 0}}},
              {"sales/clerk", 8000000}, {"-", 3000}, {"guest", 0}});
  WritePages(report);
  EXPECT_EQ(report.Read("report.html"), testing::Golden("summary_page.html"));
  EXPECT_EQ(report.Read("admin.html"), testing::Golden("admin_page.html"));
}

// Rows of short plain hosts are put together apart from the others: a long
// host and the largest count go through both ways. Only visible users get a page.
TEST(UserPagesTest, HostsWithTrafficAreListedEscapedOnPagesOfVisibleUsers) {
  ExampleReport report;
  report.settings.InvisibleUsers = {"boss"};
  const std::string h(300, 'h');
  report.Add({{"u", 4096, {{"", 1536}, {"minus", -5}, {"a<b>&\"c'", 512}, {h, 1024}, {h + "&", 1024},
                           {"max", std::numeric_limits<std::int64_t>::max()}}},
              {"-", 2048}, {"idle", 0}, {"boss", 2048}});
  WritePages(report);
  EXPECT_EQ(testing::TableRows(report.Read("u.html"), report.templates.UrlTableHeader),
            (std::vector<std::string>{"|2K", "a&lt;b&gt;&amp;&quot;c&#39;|0K", h + "|1K", h + "&amp;|1K",
                                      "max|9007199254740992K"}));
  EXPECT_EQ(testing::Snapshot(report.dir.path()).size(), 2u);  // report.html and u.html
}

// Two threads write the same files as one.
TEST(UserPagesTest, TwoThreadsWriteAsOne) {
  Users users;
  for (int i = 0; i < 300; ++i) {
    users.push_back({"u" + std::to_string(1000 + i) + (i % 7 == 0 ? "<&>" : ""), 1000000 - i * 1000});
    for (int h = 0; h < i % 13; ++h) users.back().hosts.push_back({"host" + std::to_string(h) + ".example", 513 * h});
  }
  ExampleReport one, two;
  one.Add(users);
  two.Add(users);
  WritePages(one, 1);
  WritePages(two, 2);
  EXPECT_EQ(testing::Snapshot(one.dir.path()).size(), 301u);
  EXPECT_EQ(testing::Snapshot(two.dir.path()), testing::Snapshot(one.dir.path()));
}

// A rerun replaces a page only when its bytes changed, wherever the change lies:
// a hard link made beforehand tells whether the file is still the old one.
TEST(UserPagesTest, OnlyChangedPagesAreReplaced) {
  Users base = {{"small", 4096, {{"a.example", 2048}}}, {"big", 1 << 30}};
  // Over two megabytes of rows: the big page is compared in pieces.
  for (int h = 0; h < 30000; ++h) base[1].hosts.push_back({"host" + std::to_string(h) + ".example.org", 1024});
  // The user whose last host changes; whether small's and big's pages are replaced.
  for (const auto& [user, small_replaced, big_replaced] : {std::tuple{0, true, false}, {1, false, true}}) {
    SCOPED_TRACE(user);
    ExampleReport first, again, fresh;
    first.Add(base);
    WritePages(first);
    for (const char* page : {"small.html", "big.html"})
      std::filesystem::create_hard_link(first.dir.File(page), first.dir.File(std::string(page) + ".old"));
    Users changed = base;
    changed[user].hosts.back().second = 5000;
    again.settings.OutputPath = first.settings.OutputPath;
    again.Add(changed);
    WritePages(again);
    fresh.Add(changed);
    WritePages(fresh);
    for (const auto& [page, replaced] : {std::pair{"small.html", small_replaced}, {"big.html", big_replaced}}) {
      EXPECT_EQ(first.Read(page), fresh.Read(page)) << page;
#ifndef _WIN32  // wine counts one link whatever there are
      EXPECT_EQ(std::filesystem::hard_link_count(first.dir.File(page)), replaced ? 1u : 2u) << page;
#else
      (void)replaced;
#endif
    }
  }
}

// Old pages are read only when the last summary page ends with this run's
// date line and footer. Unread, a page is rewritten even when its bytes are
// the same (the last row); read, an unchanged page is left alone.
TEST(UserPagesTest, OldPagesAreComparedOnlyWhenTheLastSummaryEndsAsThisRunWill) {
  const Users users = {{"small", 4096, {{"a.example", 2048}}}};
  for (const auto& [day, footer, may_match, compare] :
       {std::tuple{12, "", true, true}, {13, "", false, false}, {12, "<!-- new -->", false, false},
        {12, "", true, false}}) {
    SCOPED_TRACE(std::to_string(day) + footer + (compare ? " compared" : " unread"));
    ExampleReport first, again;
    first.Add(users);
    WritePages(first);
    std::filesystem::create_hard_link(first.dir.File("small.html"), first.dir.File("small.html.old"));
    again.settings.OutputPath = first.settings.OutputPath;
    again.clock = FixedClock(LocalDateTime{2026, 3, day, 23, 59, 0});
    again.templates.PageFooter += footer;
    again.Add(users);
    ReportContext context = again.Context(2.5);
    EXPECT_EQ(OldPagesMayMatch(context), may_match);
    context.compare_old_pages = compare;
    WriteSummaryPage(again.tables, context);
    WriteUserPages(again.tables, context, 1);
#ifndef _WIN32  // wine counts one link whatever there are
    EXPECT_EQ(std::filesystem::hard_link_count(first.dir.File("small.html")), compare ? 2u : 1u);
#endif
    const std::string page = first.Read("small.html");
    EXPECT_NE(page.find(std::to_string(day) + ".03.2026"), std::string::npos);
    EXPECT_TRUE(page.ends_with(again.templates.PageFooter + "\r\n"));
  }
}

}  // namespace
}  // namespace sirvane
