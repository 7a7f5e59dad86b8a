// The configurations in examples/ run as shipped, each on its own sample log (the
// same requests in four layouts), and give the same users, totals and hosts.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>

#include "report/page_templates.h"
#include "support/golden.h"
#include "support/program.h"
#include "support/temp_dir.h"

namespace sirvane {
namespace {

using testing::ReadFile;

// Each runs in a copy of examples/<directory>; the first also with the exports
// turned on, which must leave the other files as they are.
TEST(ExamplesTest, EachConfigurationReadsItsSampleLog) {
  PageTemplates templates;
  BuildPageTemplates(templates, 12, 2026);
  // directory, what the log puts before each user name, the same in page names
  for (const auto& [directory, u, page] : std::vector<std::array<std::string, 3>>{
           {"squid-native", "", ""}, {"squid-common", "", ""}, {"combined", "", ""}, {"tmg-w3c", "corp\\", "corp"}}) {
    SCOPED_TRACE(directory);
    testing::TempDir dir;
    const std::string run = dir.File("run"), out = run + "/report/";
    std::filesystem::copy(testing::SourceDir() + "/examples/" + directory, run,
                          std::filesystem::copy_options::recursive);
    const bool exports = directory == "squid-native";
    if (exports) testing::WriteFile(run + "/sirvane.cfg", ReadFile(run + "/sirvane.cfg") + "export=csv,json\n");
    std::filesystem::create_directory(out);
    ASSERT_EQ(testing::RunProgram(run, {}, dir.File("stderr.txt")), 0) << ReadFile(dir.File("stderr.txt"));

    // Name and traffic (the prognosis depends on the day). Bob passes the 20 MiB limit;
    // Carol's and Dave's intranet traffic is free; "unknown": refused before login.
    std::vector<std::string> users;
    for (const std::string& row : testing::TableRows(ReadFile(out + "report.html"), templates.UserTableHeader))
      users.push_back(row.substr(0, row.rfind('|')));
    EXPECT_EQ(users, (std::vector<std::string>{u + "bob|!23866K", u + "carol|445K", u + "alice|416K", u + "dave|206K",
                                               "unknown|11K", "total:|24944K"}));
    // The CONNECT tunnels have no host part: their row has an empty name.
    const auto hosts = testing::TableRows(ReadFile(out + page + "bob.html"), templates.UrlTableHeader);
    EXPECT_NE(std::find(hosts.begin(), hosts.end(), "|2647K"), hosts.end());
    EXPECT_NE(ReadFile(out + "ipaccess.txt").find(u + "bob : 10.0.3.22;\r\n"), std::string::npos);
    const std::string csv = ReadFile(out + "report.csv");
    EXPECT_EQ(csv.find("\r\nuser,bob,true,bob.html,24438309,23866,") != std::string::npos, exports);
    EXPECT_EQ(ReadFile(out + "report.json").find("\n  \"total\": {\"bytes\": 25543138, \"kilobytes\": 24944, ") !=
                  std::string::npos, exports);
  }
}

}  // namespace
}  // namespace sirvane
