// The program as a user runs it: exit codes, the error report on stderr, and
// what is (and is not) left on disk after an error stop.
#include <gtest/gtest.h>

#include "support/workspace.h"

namespace sirvane {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::Workspace;

const char* const kConfig = testing::kSquidConfig;

std::string Line(const std::string& user, int bytes, const std::string& address, const std::string& url) {
  return testing::SquidLine(user, bytes, address, url);
}

const std::string kLog = "\n#Fields: time elapsed client code bytes method url user hierarchy type\n" +
                         Line("alice", 5120, "10.0.3.17", "http://cdn.example.com/a.png") +
                         Line("bob", 70000, "10.0.3.18", "http://www.example.org/");

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool escape = text[i] == '%' && i + 2 < text.size();
    out.push_back(escape ? static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)) : text[i]);
    if (escape) i += 2;
  }
  return out;
}

TEST(MainTest, EveryLinkLeadsToAPageOfThisRunAndNamesShowAsText) {
  const std::vector<std::string> names = {"<script>alert(1)</script>", "a/b", "ab", "con", "report", "%00",
                                          "../../etc/x", std::string(300, '/') + "z", "\\", "q\"uote"};
  std::string log = kLog;  // an empty line and a header create no user
  for (std::size_t i = 0; i < names.size(); ++i) {
    log += Line(names[i], 1000 * static_cast<int>(i + 1), "10.0.0.1", "http://h" + std::to_string(i) + "/<b>");
  }
  Workspace w(log);
  ASSERT_EQ(w.Run(), 0) << w.err;
  EXPECT_EQ(w.err, "");
  EXPECT_TRUE(Exists(w.dir.File("last.log")));
  EXPECT_EQ(w.Read("out/ipaccess.txt").rfind("user:                 access from: \r\nbob : 10.0.3.18;\r\n", 0), 0u);
  const std::string report = w.Read("out/report.html");
  EXPECT_EQ(report.find("<script>"), std::string::npos);
  EXPECT_NE(report.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  std::size_t links = 0;
  for (std::size_t at = 0; (at = report.find("<a href=\"", at)) != std::string::npos; ++links) {
    at += 9;
    const std::string target = PercentDecode(report.substr(at, report.find('"', at) - at));
    EXPECT_EQ(target.find('/'), std::string::npos) << target;
    EXPECT_TRUE(Exists(w.dir.File("out/" + target))) << target;
  }
  EXPECT_EQ(links, names.size() + 3);  // alice, bob and the banner's link to this page
}

TEST(MainTest, AnErrorStopReportsOnStderrAndExitsOne) {
  struct Case {
    std::string config;   // appended to kConfig
    std::string kind;
    std::string mention;  // something the advice must name
  };
  const std::vector<Case> cases = {
      {"logfile=nodir/run.log\n", "I/O error 2", "nodir/run.log"},
      {"outputpath=missing\n", "I/O error 2", "missing/ipaccess.txt"},
      {"namefield=1001\n", "Range check error", "namefield"},
  };
  for (const Case& c : cases) {
    Workspace w(kLog, kConfig + c.config);
    EXPECT_EQ(w.Run(), 1) << c.config;
    EXPECT_EQ(w.err.rfind("Application Error\n" + c.kind + "\n", 0), 0u) << w.err;
    EXPECT_NE(w.err.find(c.mention), std::string::npos) << w.err;
    EXPECT_FALSE(Exists(w.dir.File("out/report.html"))) << c.config;
  }
}

TEST(MainTest, AFailedRunLeavesThePreviousReportsIntact) {
  Workspace w(kLog);
  ASSERT_EQ(w.Run(), 0);
  const std::string report = w.Read("out/report.html");
  const std::string page = w.Read("out/alice.html");
  // The second run stops at its first line: its working report ends with the
  // unfinished progress line, and the reports of the first run stay.
  testing::WriteFile(w.dir.File("sirvane.cfg"), std::string(kConfig) + "queryfield=0\n");
  EXPECT_EQ(w.Run(), 1);
  EXPECT_EQ(w.Read("out/report.html"), report);
  EXPECT_EQ(w.Read("out/alice.html"), page);
  const std::string log = w.Read("last.log");
  EXPECT_EQ(log.substr(log.size() - 20), "logs/access.log ... ") << log;
}

}  // namespace
}  // namespace sirvane
