#include "report/user_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace sirvane {
namespace {

using testing::ReadFile;
using testing::TempDir;

struct Host {
  std::string name;
  std::int64_t traffic;
};

// Settings of the example report: March 2026, written on the 12th.
class UserPagesTest : public ::testing::Test {
 protected:
  UserPagesTest() : clock_(LocalDateTime{2026, 3, 12, 9, 30, 0}) {
    settings_.ReportMonth = 3;
    settings_.ReportYear = 2026;
    settings_.Limit = 10485760;
    settings_.OutputPath = dir_.path() + "/";
    BuildPageTemplates(templates_, 3, 2026);
  }

  // Adds a user as the summary page would leave it: with its page name.
  void AddUser(const std::string& name, std::int64_t traffic, const std::string& page_name,
               const std::vector<Host>& hosts) {
    TReportRec& user = tables_.Users[tables_.AddUser(name)];
    user.Traffic = traffic;
    user.PageName = page_name;
    for (const Host& host : hosts) tables_.AddHostTraffic(user, host.name, host.traffic);
  }

  void WritePages() { WriteUserPages(tables_, ReportContext{settings_, templates_, 2.5, clock_, formats_}); }

  // The rows of the host table of a written page, each with its CR LF.
  std::string HostRows(const std::string& page_name) {
    const std::string page = ReadFile(dir_.File(page_name + ".html"));
    const std::string header = templates_.UrlTableHeader + "\r\n";
    const std::size_t begin = page.find(header);
    if (begin == std::string::npos) {
      ADD_FAILURE() << "no host table in " << page_name;
      return {};
    }
    const std::size_t end = page.find("</table>\r\n", begin);
    if (end == std::string::npos) {
      ADD_FAILURE() << "host table not closed in " << page_name;
      return {};
    }
    return page.substr(begin + header.size(), end - begin - header.size());
  }

  TempDir dir_;
  Settings settings_;
  PageTemplates templates_;
  FixedClock clock_;
  LocaleFormats formats_{"%d.%m.%Y", "%-H:%M:%S"};
  UsageTables tables_;
};

TEST_F(UserPagesTest, ExamplePageMatchesByteForByte) {
  AddUser("admin", 12000000, "admin", {{"mirror", 9000000}, {"10.1.2.3", 3000000}, {"fileserver", 0}});
  WritePages();
  const std::string golden = ReadFile(std::string(SIRVANE_SOURCE_DIR) + "/tests/golden/admin_page.html");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(ReadFile(dir_.File("admin.html")), golden);
}

TEST_F(UserPagesTest, HostTableRows) {
  struct Case {
    const char* what;
    const char* user;
    std::vector<Host> hosts;
    std::string rows;
  };
  const std::string cell = "</td><td width=\"40%\" align=\"center\">";
  const std::string row = "<tr><td width=\"60%\" align=\"left\">";
  const Case cases[] = {
      {"no hosts", "u1", {}, ""},
      {"only hosts without traffic, or with less", "u2", {{"a", 0}, {"b", -5}}, ""},
      {"the empty host name gets an empty first cell", "u3", {{"", 1536}}, row + cell + "2K</td></tr>\r\n"},
      {"host names are escaped",
       "u4",
       {{"a<b>&\"c'", 512}, {"x", 513}},
       row + "a&lt;b&gt;&amp;&quot;c&#39;" + cell + "0K</td></tr>\r\n" + row + "x" + cell + "1K</td></tr>\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AddUser(c.user, 4096, c.user, c.hosts);
    WritePages();
    EXPECT_EQ(HostRows(c.user), c.rows);
  }
}

TEST_F(UserPagesTest, OnlyVisibleUsersGetAPage) {
  AddUser("shown", 2048, "shown", {});
  AddUser("-", 2048, "", {});
  AddUser("idle", 0, "", {});
  settings_.InvisibleUsers = {"boss"};
  AddUser("boss", 2048, "", {});
  WritePages();
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    files.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(files, std::vector<std::string>{"shown.html"});
}

}  // namespace
}  // namespace sirvane
