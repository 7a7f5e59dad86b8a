// The ready configurations in examples/ run as shipped: each reads its own
// sample log (the same requests written in four layouts) and gives the same
// users, totals and hosts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "report/page_templates.h"
#include "support/golden.h"
#include "support/program.h"
#include "support/temp_dir.h"

namespace sirvane {
namespace {

using testing::ReadFile;
using testing::TableRows;

// The name and the traffic cell of each row, without the prognosis, which
// depends on the day the test runs.
std::vector<std::string> NameAndTraffic(const std::vector<std::string>& rows) {
  std::vector<std::string> cells;
  for (const std::string& row : rows) cells.push_back(row.substr(0, row.rfind('|')));
  return cells;
}

struct Example {
  std::string directory;   // under examples/
  std::string user_prefix; // what the log puts before each user name
  std::string page_prefix; // the same, as it appears in page names
};

// Runs examples/<directory> in a copy inside `dir`, with `extra` appended to
// its configuration; returns the copy's path.
std::string RunExample(const testing::TempDir& dir, const std::string& directory, const std::string& extra = "") {
  const std::string run = dir.File("run");
  std::filesystem::copy(testing::SourceDir() + "/examples/" + directory, run, std::filesystem::copy_options::recursive);
  testing::WriteFile(run + "/sirvane.cfg", ReadFile(run + "/sirvane.cfg") + extra);
  std::filesystem::create_directory(run + "/report");
  EXPECT_EQ(testing::RunProgram(run, {}, dir.File("stderr.txt")), 0) << ReadFile(dir.File("stderr.txt"));
  return run;
}

TEST(ExamplesTest, EachConfigurationReadsItsSampleLog) {
  const std::vector<Example> examples = {
      {"squid-native", "", ""},
      {"squid-common", "", ""},
      {"combined", "", ""},
      {"tmg-w3c", "corp\\", "corp"},
  };
  PageTemplates templates;
  BuildPageTemplates(templates, 12, 2026);
  for (const Example& example : examples) {
    SCOPED_TRACE(example.directory);
    testing::TempDir dir;
    const std::string run = RunExample(dir, example.directory);

    const std::string report = ReadFile(run + "/report/report.html");
    const std::string& u = example.user_prefix;
    // Bob passes the 20 MiB limit. Carol's and Dave's intranet traffic is not
    // charged; the requests refused before login are in "unknown".
    EXPECT_EQ(NameAndTraffic(TableRows(report, templates.UserTableHeader)),
              (std::vector<std::string>{u + "bob|!23866K", u + "carol|445K", u + "alice|416K", u + "dave|206K",
                                        "unknown|11K", "total:|24944K"}));

    const std::string bob = ReadFile(run + "/report/" + example.page_prefix + "bob.html");
    const std::vector<std::string> hosts = TableRows(bob, templates.UrlTableHeader);
    // The CONNECT tunnels have no host part: their row has an empty name.
    EXPECT_NE(std::find(hosts.begin(), hosts.end(), "video.example.net|6522K"), hosts.end()) << bob;
    EXPECT_NE(std::find(hosts.begin(), hosts.end(), "|2647K"), hosts.end()) << bob;
    const std::string carol = ReadFile(run + "/report/" + example.page_prefix + "carol.html");
    EXPECT_NE(carol.find(">intranet.example.lan<"), std::string::npos);
    EXPECT_NE(ReadFile(run + "/report/ipaccess.txt").find(u + "bob : 10.0.3.22;\r\n"), std::string::npos);
    EXPECT_FALSE(testing::Exists(run + "/report/report.csv"));  // exports are off unless configured
    EXPECT_FALSE(testing::Exists(run + "/report/report.json"));
  }
}

TEST(ExamplesTest, ExportsAddTwoFilesAndChangeNoOther) {
  testing::TempDir plain_dir;
  testing::TempDir export_dir;
  const std::string plain = RunExample(plain_dir, "squid-native");
  const std::string exported = RunExample(export_dir, "squid-native", "export=csv,json\n");
  for (const std::string file : {"report.html", "alice.html", "bob.html", "carol.html", "dave.html", "ipaccess.txt"}) {
    const std::string content = ReadFile(plain + "/report/" + file);
    EXPECT_FALSE(content.empty()) << file;
    EXPECT_EQ(ReadFile(exported + "/report/" + file), content) << file;
  }

  // What the exports hold is tested on the encoders; here, that a run writes
  // them with the run's numbers.
  const std::string csv = ReadFile(exported + "/report/report.csv");
  EXPECT_NE(csv.find("\r\nuser,bob,true,bob.html,24438309,23866,"), std::string::npos) << csv;
  const std::string json = ReadFile(exported + "/report/report.json");
  EXPECT_NE(json.find("\n  \"total\": {\"bytes\": 25543138, \"kilobytes\": 24944, "), std::string::npos) << json;
}

}  // namespace
}  // namespace sirvane
