#include "report/user_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "platform/error.h"
#include "report/summary_page.h"
#include "support/golden.h"
#include "support/temp_dir.h"

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
  // Rows of short plain hosts are put together apart from the others: a long
  // host and the largest count go through both ways.
  const std::string long_host(300, 'h');
  report.Add({{"u", 4096,
               {{"", 1536},
                {"minus", -5},
                {"a<b>&\"c'", 512},
                {"x", 513},
                {long_host, 1024},
                {long_host + "&", 1024},
                {"max", std::numeric_limits<std::int64_t>::max()}}}});
  WritePages(report);
  EXPECT_EQ(testing::TableRows(report.Read("u.html"), report.templates.UrlTableHeader),
            (std::vector<std::string>{"|2K", "a&lt;b&gt;&amp;&quot;c&#39;|0K", "x|1K", long_host + "|1K",
                                      long_host + "&amp;|1K", "max|9007199254740992K"}));
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

std::vector<testing::UserUsage> ManyUsers(int count) {
  std::vector<testing::UserUsage> users;
  for (int i = 0; i < count; ++i) {
    testing::UserUsage user{"u" + std::to_string(1000 + i) + (i % 7 == 0 ? "<&>" : ""), 1000000 - i * 1000};
    for (int h = 0; h < i % 13; ++h) user.hosts.push_back({"host" + std::to_string(h) + ".example", 513 * h});
    users.push_back(user);
  }
  return users;
}

std::vector<std::pair<std::string, std::string>> Files(const ExampleReport& report) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& entry : std::filesystem::directory_iterator(report.dir.path())) {
    files.emplace_back(entry.path().filename().string(), report.Read(entry.path().filename().string()));
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(UserPagesTest, TwoThreadsWriteTheSameFilesAsOne) {
  ExampleReport one;
  ExampleReport two;
  one.Add(ManyUsers(300));
  two.Add(ManyUsers(300));
  WriteSummaryPage(one.tables, one.Context(2.5));
  WriteSummaryPage(two.tables, two.Context(2.5));
  WriteUserPages(one.tables, one.Context(2.5), 1);
  WriteUserPages(two.tables, two.Context(2.5), 2);
  const auto files = Files(one);
  EXPECT_EQ(files.size(), 301u);
  EXPECT_EQ(Files(two), files);
}

// Pages whose name a directory holds cannot be replaced; the error names the
// first of them in page order, whatever thread got there first.
TEST(UserPagesTest, TheFirstFailingPageInPageOrderIsReported) {
  for (const unsigned threads : {1u, 2u}) {
    ExampleReport report;
    report.Add(ManyUsers(200));
    WriteSummaryPage(report.tables, report.Context(2.5));
    for (const char* blocked : {"u1150.html", "u1041.html", "u1199.html"}) {
      std::filesystem::create_directory(report.dir.File(blocked));
    }
    try {
      WriteUserPages(report.tables, report.Context(2.5), threads);
      ADD_FAILURE() << "no error";
    } catch (const RunError& error) {
      EXPECT_NE(error.advice().find("u1041.html"), std::string::npos) << threads << ": " << error.advice();
    }
  }
}

// A rerun leaves a page whose bytes are unchanged as it is, and replaces one
// that changed, wherever the change lies: a hard link made beforehand tells
// whether the file at the page's name is still the old one.
TEST(UserPagesTest, OnlyChangedPagesAreReplaced) {
  std::vector<testing::UserUsage> base = {{"small", 4096, {{"a.example", 2048}}}, {"big", 1 << 30}};
  // Over two megabytes of rows: the big page is compared in pieces.
  for (int h = 0; h < 30000; ++h) base[1].hosts.push_back({"host" + std::to_string(h) + ".example.org", 1024});
  struct Case {
    const char* what;
    void (*change)(std::vector<testing::UserUsage>&);
    bool longer_file;  // the old page got one more byte
    bool small_replaced;
    bool big_replaced;
  };
  const Case cases[] = {
      {"nothing", [](std::vector<testing::UserUsage>&) {}, false, false, false},
      {"small's host", [](std::vector<testing::UserUsage>& u) { u[0].hosts[0].second = 5000; }, false, true, false},
      {"big's last host", [](std::vector<testing::UserUsage>& u) { u[1].hosts.back().second = 5000; }, false,
       false, true},
      {"a host more", [](std::vector<testing::UserUsage>& u) { u[1].hosts.push_back({"z.example", 9000}); }, false,
       false, true},
      {"the file", [](std::vector<testing::UserUsage>&) {}, true, true, true},
  };
  for (const Case& c : cases) {
    ExampleReport first;
    first.Add(base);
    WritePages(first);
    for (const char* page : {"small.html", "big.html"}) {
      std::filesystem::create_hard_link(first.dir.File(page), first.dir.File(std::string(page) + ".old"));
      if (c.longer_file) testing::WriteFile(first.dir.File(page), first.Read(page) + "\n");
    }
    std::vector<testing::UserUsage> changed = base;
    c.change(changed);
    ExampleReport again;
    again.settings.OutputPath = first.settings.OutputPath;
    again.Add(changed);
    WritePages(again);
    ExampleReport fresh;
    fresh.Add(changed);
    WritePages(fresh);
    for (const auto& [page, replaced] : {std::pair{"small.html", c.small_replaced}, {"big.html", c.big_replaced}}) {
      EXPECT_EQ(first.Read(page), fresh.Read(page)) << c.what << ": " << page;
#ifndef _WIN32  // wine counts one link whatever there are
      EXPECT_EQ(std::filesystem::hard_link_count(first.dir.File(page)), replaced ? 1u : 2u) << c.what << ": " << page;
#else
      (void)replaced;
#endif
    }
  }
}

}  // namespace
}  // namespace sirvane
