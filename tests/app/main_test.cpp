// The program as a user runs it: exit codes, the error report on stderr, and
// what is (and is not) left on disk after an error stop.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/temp_dir.h"

namespace sirvane {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct Result {
  int exit_code;
  std::string err;
};

// Runs the program in `dir` with `args`, capturing stderr.
Result RunSirvane(const std::string& dir, const std::string& args) {
  const std::string err_file = dir + "/stderr.txt";
  const std::string command =
      "cd '" + dir + "' && LC_ALL=C '" + SIRVANE_BINARY + "' " + args + " 2>'" + err_file + "' </dev/null";
  const int status = std::system(command.c_str());
  Result result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(err_file)};
  return result;
}

const char* kLog =
    "\n"  // an empty line, and a header line: neither creates a user
    "#Fields: time elapsed client code bytes method url user hierarchy type\n"
    "1733389200.123    245 10.0.3.17 TCP_MISS/200 5120 GET http://cdn.example.com/a.png alice HIER_DIRECT/1.2.3.4 "
    "image/png\n"
    "1733389201.123    245 10.0.3.18 TCP_MISS/200 70000 GET http://www.example.org/ bob HIER_DIRECT/1.2.3.4 "
    "text/html\n";

const char* kConfig =
    "inputpath=logs/access*.log\nnamefield=8\nbytesfield=5\nqueryfield=7\nipfield=3\noutputpath=out\n";

TEST(MainTest, ARunWritesEveryReportAndExitsZero) {
  TempDir dir;
  std::system(("mkdir -p '" + dir.File("logs") + "' '" + dir.File("out") + "'").c_str());
  WriteFile(dir.File("logs/access.log"), kLog);
  WriteFile(dir.File("sirvane.cfg"), kConfig);
  const Result r = RunSirvane(dir.path(), "");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  for (const char* file : {"last.log", "out/report.html", "out/alice.html", "out/bob.html", "out/ipaccess.txt"}) {
    EXPECT_TRUE(Exists(dir.File(file))) << file;
  }
  EXPECT_EQ(ReadFile(dir.File("out/ipaccess.txt")),
            "user:                 access from: \r\nbob : 10.0.3.18;\r\nalice : 10.0.3.17;\r\n");
}

TEST(MainTest, ARefusedConfigurationWritesTheAbortLogAndExitsZero) {
  TempDir dir;
  const Result r = RunSirvane(dir.path(), "missing.cfg");
  EXPECT_EQ(r.exit_code, 0);
  const std::string abort_log = ReadFile(dir.File("abort.log"));
  EXPECT_EQ(abort_log.rfind("Configuration file missing.cfg\r\nConfiguration file not exist; ;\r\nAbort analyze : ", 0),
            0u)
      << abort_log;
  EXPECT_FALSE(Exists(dir.File("last.log")));
}

TEST(MainTest, AnErrorStopReportsOnStderrAndExitsOne) {
  struct Case {
    std::string config;  // appended to kConfig
    std::string setup;   // shell commands run in the directory first
    std::string kind;
    std::string mention;  // something the advice must name
  };
  const std::vector<Case> cases = {
      {"logfile=nodir/run.log\n", "", "I/O error 2", "nodir/run.log"},
      {"outputpath=missing\n", "", "I/O error 2", "missing/ipaccess.txt"},
      {"namefield=1001\n", "", "Range check error", "namefield"},
      {"", "chmod 555 out", "I/O error 13", "out/ipaccess.txt"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    std::system(("mkdir -p '" + dir.File("logs") + "' '" + dir.File("out") + "'").c_str());
    WriteFile(dir.File("logs/access.log"), kLog);
    WriteFile(dir.File("sirvane.cfg"), std::string(kConfig) + c.config);
    if (!c.setup.empty()) std::system(("cd '" + dir.path() + "' && " + c.setup).c_str());
    if (c.setup.find("chmod") != std::string::npos && geteuid() == 0) {
      continue;  // root ignores file permissions; the other cases cover this path
    }
    const Result r = RunSirvane(dir.path(), "");
    EXPECT_EQ(r.exit_code, 1) << c.config;
    EXPECT_EQ(r.err.rfind("Application Error\n" + c.kind + "\n", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.mention), std::string::npos) << r.err;
    EXPECT_FALSE(Exists(dir.File("out/report.html"))) << c.config;
  }
}

TEST(MainTest, AFailedRunLeavesThePreviousReportsIntact) {
  TempDir dir;
  std::system(("mkdir -p '" + dir.File("logs") + "' '" + dir.File("out") + "'").c_str());
  WriteFile(dir.File("logs/access.log"), kLog);
  WriteFile(dir.File("sirvane.cfg"), kConfig);
  ASSERT_EQ(RunSirvane(dir.path(), "").exit_code, 0);
  const std::string report = ReadFile(dir.File("out/report.html"));
  const std::string page = ReadFile(dir.File("out/alice.html"));

  // The second run stops at its first line: its working report ends with the
  // unfinished progress line, and the reports of the first run stay.
  WriteFile(dir.File("sirvane.cfg"), std::string(kConfig) + "queryfield=0\n");
  const Result r = RunSirvane(dir.path(), "");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(ReadFile(dir.File("out/report.html")), report);
  EXPECT_EQ(ReadFile(dir.File("out/alice.html")), page);
  const std::string log = ReadFile(dir.File("last.log"));
  EXPECT_EQ(log.substr(log.size() - 20), "logs/access.log ... ") << log;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

TEST(MainTest, EveryLinkLeadsToAPageOfThisRunAndNamesShowAsText) {
  TempDir dir;
  std::system(("mkdir -p '" + dir.File("logs") + "' '" + dir.File("out") + "'").c_str());
  const std::vector<std::string> names = {"<script>alert(1)</script>", "a/b", "ab", "con", "report",
                                          "%00", "../../etc/x", std::string(300, '/') + "z", "\\", "q\"uote"};
  std::string log;
  for (std::size_t i = 0; i < names.size(); ++i) {
    log += "1 2 10.0.0." + std::to_string(i) + " TCP_MISS/200 " + std::to_string(1000 * (i + 1)) +
           " GET http://h" + std::to_string(i) + ".example/<b>x " + names[i] + " - -\n";
  }
  WriteFile(dir.File("logs/access.log"), log);
  WriteFile(dir.File("sirvane.cfg"), kConfig);
  const Result r = RunSirvane(dir.path(), "");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string report = ReadFile(dir.File("out/report.html"));
  EXPECT_EQ(report.find("<script>"), std::string::npos);
  EXPECT_NE(report.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);

  std::size_t links = 0;
  for (std::size_t at = 0; (at = report.find("<a href=\"", at)) != std::string::npos;) {
    at += 9;
    const std::string target = PercentDecode(report.substr(at, report.find('"', at) - at));
    EXPECT_EQ(target.find('/'), std::string::npos) << target;
    EXPECT_TRUE(Exists(dir.File("out/" + target))) << target;
    ++links;
  }
  EXPECT_EQ(links, names.size() + 1);  // and the banner's link to this page
  EXPECT_NE(ReadFile(dir.File("out/report.html")).find("Internet usage statistic"), std::string::npos);
}

}  // namespace
}  // namespace sirvane
