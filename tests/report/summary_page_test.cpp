#include "report/summary_page.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "report/user_pages.h"
#include "support/temp_dir.h"

namespace sirvane {
namespace {

using testing::ReadFile;
using testing::TempDir;

std::string Golden(const std::string& name) {
  const std::string content = ReadFile(std::string(SIRVANE_SOURCE_DIR) + "/tests/golden/" + name);
  EXPECT_FALSE(content.empty()) << "missing golden file " << name;
  return content;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "the last line must end with CR LF";
  return lines;
}

struct User {
  std::string name;
  std::int64_t traffic;
};

// Settings of the example report: March 2026, written on the 12th.
class SummaryPageTest : public ::testing::Test {
 protected:
  SummaryPageTest() : clock_(LocalDateTime{2026, 3, 12, 9, 30, 0}) {
    settings_.ReportMonth = 3;
    settings_.ReportYear = 2026;
    settings_.Limit = 10485760;
    settings_.OutputPath = dir_.path() + "/";
    BuildPageTemplates(templates_, 3, 2026);
  }

  ReportContext Context(double factor) const { return ReportContext{settings_, templates_, factor, clock_, formats_}; }

  void AddUsers(const std::vector<User>& users) {
    for (const User& user : users) tables_.Users[tables_.AddUser(user.name)].Traffic = user.traffic;
  }

  std::string WritePage(double factor) {
    WriteSummaryPage(tables_, Context(factor));
    return ReadFile(dir_.File("report.html"));
  }

  // The lines between the user table's header and the table's end.
  std::vector<std::string> Rows(const std::vector<User>& users, double factor) {
    AddUsers(users);
    std::vector<std::string> lines = Lines(WritePage(factor));
    constexpr std::size_t kBefore = 21;  // title, banner, table start, header row, empty line
    constexpr std::size_t kAfter = 3;    // table end, date, footer
    if (lines.size() < kBefore + kAfter) {
      ADD_FAILURE() << "page too short";
      return {};
    }
    EXPECT_EQ(lines[kBefore - 1], "");
    EXPECT_EQ(lines[lines.size() - kAfter], "</table>");
    return std::vector<std::string>(lines.begin() + kBefore, lines.end() - kAfter);
  }

  TempDir dir_;
  Settings settings_;
  PageTemplates templates_;
  FixedClock clock_;
  LocaleFormats formats_{"%d.%m.%Y", "%-H:%M:%S"};
  UsageTables tables_;
};

TEST_F(SummaryPageTest, ExampleReportMatchesByteForByte) {
  AddUsers({{"admin", 12000000}, {"sales/clerk", 8000000}, {"-", 3000}, {"guest", 0}});
  EXPECT_EQ(WritePage(2.5), Golden("summary_page.html"));
  EXPECT_EQ(tables_.Users[0].PageName, "admin");
  EXPECT_EQ(tables_.Users[1].PageName, "salesclerk");
  EXPECT_EQ(tables_.Users[2].PageName, "") << "a user without a row gets no page name";
  EXPECT_EQ(tables_.Users[3].PageName, "");
}

// Cell texts of a user row.
const std::string kPlain = "<td width=\"25%\" align=\"center\">";
const std::string kHigh = "<td width=\"25%\" align=\"center\"><font color=\"#FF0000\"><strong>";

std::string Cell(std::int64_t kilobytes, bool high) {
  return (high ? kHigh : kPlain) + std::to_string(kilobytes) + (high ? "K</strong></font></td>" : "K</td>");
}

std::vector<std::string> UserRow(const std::string& name, std::int64_t k, bool k_high, std::int64_t p, bool p_high) {
  return {"<tr>", "<td width=\"50%\" align=\"left\"><a href=\"" + name + ".html\">" + name + "</a></td>" +
                      Cell(k, k_high) + Cell(p, p_high) + "</tr>"};
}

std::vector<std::string> Totals(std::int64_t hidden, std::int64_t hidden_p, std::int64_t total, std::int64_t total_p) {
  return {"<tr><td width=\"50%\" align=\"left\">unknown</td>",
          "<td width=\"25%\" align=\"center\">" + std::to_string(hidden) + "K</td><td width=\"25%\" align=\"center\">" +
              std::to_string(hidden_p) + "K</td></tr>",
          "<tr><td width=\"50%\" align=\"left\"><strong>total:</strong></td>",
          "<td width=\"25%\" align=\"center\"><strong>" + std::to_string(total) +
              "K</strong></td><td width=\"25%\" align=\"center\"><strong>" + std::to_string(total_p) +
              "K</strong></td></tr>"};
}

std::vector<std::string> Concat(std::vector<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(SummaryPageTest, RowsAndHighlighting) {
  struct Case {
    const char* what;
    std::int64_t limit;
    double factor;
    std::vector<User> users;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"no users", 10485760, 2.5, {}, Totals(0, 0, 0, 0)},
      {"no user visible", 10485760, 2.5, {{"-", 10240}, {"guest", 0}}, Totals(10, 25, 10, 25)},
      {"limit 0 highlights nothing",
       0,
       2.5,
       {{"big", 12000000}},
       // The total's prognosis 29297.5 is a tie and goes to even.
       Concat({UserRow("big", 11719, false, 29297, false), Totals(0, 0, 11719, 29298)})},
      {"traffic equal to the limit is highlighted, one byte less is not",
       10240,
       1.0,
       {{"at", 10240}, {"below", 10239}},
       Concat({UserRow("at", 10, true, 10, true), UserRow("below", 10, false, 10, false), Totals(0, 0, 20, 20)})},
      {"the prognosis alone reaches the limit",
       10000,
       2.0,
       {{"half", 5000}},
       Concat({UserRow("half", 5, false, 10, true), Totals(0, 0, 5, 10)})},
      // 3333 x 3.0003 = 9999.9999 bytes: it is the rounded projection that
      // meets the limit; 3333 x 3.0001 = 9999.33 rounds below it.
      {"the rounded projected bytes count",
       10000,
       3.0003,
       {{"near", 3333}},
       Concat({UserRow("near", 3, false, 10, true), Totals(0, 0, 3, 9)})},
      {"just below after rounding",
       10000,
       3.0001,
       {{"near", 3333}},
       Concat({UserRow("near", 3, false, 10, false), Totals(0, 0, 3, 9)})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tables_ = UsageTables();
    settings_.Limit = c.limit;
    EXPECT_EQ(Rows(c.users, c.factor), c.rows);
  }
}

TEST_F(SummaryPageTest, NamesAreEscapedAndLinksEncoded) {
  const std::vector<std::string> rows = Rows({{"<script>alert('x')</script>&\"", 2048}}, 1.0);
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows[1],
            "<td width=\"50%\" align=\"left\"><a href=\"_script_alert%28%27x%27%29_script_%26_.html\">"
            "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&amp;&quot;</a></td>" +
                Cell(2, false) + Cell(2, false) + "</tr>");
  EXPECT_EQ(tables_.Users[0].PageName, "_script_alert('x')_script_&_");
}

TEST_F(SummaryPageTest, UsersWhoseNamesMeetAfterCleaningGetTheirOwnPages) {
  AddUsers({{"sales/clerk", 4096}, {"salesclerk", 2048}, {"report", 1024}});
  const std::string summary = WritePage(1.0);
  EXPECT_EQ(tables_.Users[0].PageName, "salesclerk");
  EXPECT_EQ(tables_.Users[1].PageName, "salesclerk_2");
  EXPECT_EQ(tables_.Users[2].PageName, "report_2");
  EXPECT_NE(summary.find("<a href=\"salesclerk_2.html\">salesclerk</a>"), std::string::npos);

  WriteUserPages(tables_, Context(1.0));
  EXPECT_EQ(ReadFile(dir_.File("report.html")), summary) << "a user's page replaced the summary page";
  EXPECT_NE(ReadFile(dir_.File("salesclerk.html")).find("<strong>sales/clerk</strong>"), std::string::npos);
  EXPECT_NE(ReadFile(dir_.File("salesclerk_2.html")).find("<strong>salesclerk</strong>"), std::string::npos);
  EXPECT_NE(ReadFile(dir_.File("report_2.html")).find("<strong>report</strong>"), std::string::npos);
}

}  // namespace
}  // namespace sirvane
