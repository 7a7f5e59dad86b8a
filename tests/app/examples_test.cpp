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
  std::string directory;    // under examples/
  std::string user_prefix;  // what the log puts before each user name
  std::string page_prefix;  // the same, as it appears in page names
  bool exports = false;     // turned on in the copy
};

// Each runs in a copy of examples/<directory>. With the exports turned on the
// other files must come out as without them; what the exports hold is tested
// on the encoders, here that a run writes them with the run's numbers.
TEST(ExamplesTest, EachConfigurationReadsItsSampleLog) {
  const std::vector<Example> examples = {
      {"squid-native", "", ""},
      {"squid-native", "", "", true},
      {"squid-common", "", ""},
      {"combined", "", ""},
      {"tmg-w3c", "corp\\", "corp"},
  };
  PageTemplates templates;
  BuildPageTemplates(templates, 12, 2026);
  std::vector<std::string> native_files;  // of the first run, to compare the second with
  for (const Example& example : examples) {
    SCOPED_TRACE(example.directory + (example.exports ? " with exports" : ""));
    testing::TempDir dir;
    const std::string run = dir.File("run");
    std::filesystem::copy(testing::SourceDir() + "/examples/" + example.directory, run,
                          std::filesystem::copy_options::recursive);
    if (example.exports) testing::WriteFile(run + "/sirvane.cfg", ReadFile(run + "/sirvane.cfg") + "export=csv,json\n");
    std::filesystem::create_directory(run + "/report");
    ASSERT_EQ(testing::RunProgram(run, {}, dir.File("stderr.txt")), 0) << ReadFile(dir.File("stderr.txt"));

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
    if (example.directory == "squid-native") {
      std::vector<std::string> files;
      for (const char* file : {"report.html", "alice.html", "bob.html", "carol.html", "dave.html", "ipaccess.txt"}) {
        files.push_back(ReadFile(run + "/report/" + file));
      }
      if (native_files.empty()) native_files = files;
      EXPECT_EQ(files, native_files);
    }
    const std::string csv = ReadFile(run + "/report/report.csv");
    const std::string json = ReadFile(run + "/report/report.json");
    EXPECT_EQ(csv.find("\r\nuser,bob,true,bob.html,24438309,23866,") != std::string::npos, example.exports) << csv;
    EXPECT_EQ(json.find("\n  \"total\": {\"bytes\": 25543138, \"kilobytes\": 24944, ") != std::string::npos,
              example.exports) << json;
  }
}

}  // namespace
}  // namespace sirvane
