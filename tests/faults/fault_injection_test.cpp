// Every file a run writes, refused or failing midway: the run stops with the error
// report and exit code 1; the previous reports stay as they were, nothing beside them.
#include <gtest/gtest.h>

#include "support/workspace.h"

namespace sirvane {
namespace {

using testing::SquidLine;

const std::string kFirstLog = testing::kAliceAndBob;
// The second run has more to say, so a file it managed to replace would differ.
const std::string kSecondLog = kFirstLog + SquidLine("carol", 90000, "10.0.3.19", "http://news.example/") +
                               SquidLine("alice", 4096, "10.0.3.20", "http://cdn.example.com/b.png") +
                               SquidLine("bob", 2048, "10.0.3.18", "http://www.example.org/");

struct Fault {
  std::string config;   // appended to the Squid configuration
  std::string fault;    // for the preloaded library, "" for none
  std::string path;     // the part of the path it acts on
  std::string kind;     // the error's kind line
  std::string mention;  // the advice must name this
};

// A first good run, then the second with `f`: returns the second's exit code.
int SecondRunWith(testing::Workspace& w, const Fault& f, std::vector<std::pair<std::string, std::string>>& first) {
  EXPECT_EQ(w.Run(), 0) << w.err;
  first = w.Snapshot("out");
  testing::WriteFile(w.dir.File("logs/access.log"), kSecondLog);
  testing::WriteFile(w.dir.File("sirvane.cfg"), testing::kSquidConfig + f.config);
  return f.fault.empty() ? w.Run() : w.RunWithFault(f.fault, f.path);
}

TEST(FaultInjectionTest, EveryFailingFileStopsTheRunAndKeepsThePreviousReports) {
  const std::string invalid = "namefield=x\n";  // refused: the abort log is written
  std::vector<Fault> faults = {
      {"logfile=out\n", "", "", "I/O error 21", "'out'"},
      {"", "create", "last.log", "I/O error 13", "last.log"},
      {invalid, "create", "abort.log", "I/O error 13", "abort.log"},
  };
  for (const std::string file : {"ipaccess.txt", "report.html", "bob.html", "alice.html", "carol.html"}) {
    faults.push_back({"", "create", "/" + file, "I/O error 13", "out/" + file});
    faults.push_back({"", "write=40", "/" + file, "I/O error 28", "out/" + file});
    faults.push_back({"", "close", "/" + file, "I/O error 28", "out/" + file});
  }
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.config + f.fault + " on " + f.path);
    testing::Workspace w(kFirstLog);
    std::vector<std::pair<std::string, std::string>> first;
    EXPECT_EQ(SecondRunWith(w, f, first), 1) << w.err;
    ASSERT_EQ(first.size(), 4u);  // ipaccess.txt, report.html, alice.html, bob.html
    EXPECT_EQ(w.err.rfind("Application Error\n" + f.kind, 0), 0u) << w.err;
    EXPECT_NE(w.err.find(f.mention), std::string::npos) << w.err;
    EXPECT_EQ(w.Snapshot("out"), first);  // byte for byte, and no staging or temporary file left
  }
}

// Without a fault the same second run replaces every file: the faults above
// are what kept the old ones.
TEST(FaultInjectionTest, ASecondGoodRunReplacesEveryReport) {
  testing::Workspace w(kFirstLog);
  std::vector<std::pair<std::string, std::string>> first;
  ASSERT_EQ(SecondRunWith(w, {"", "write=1000000000", "/out/", "", ""}, first), 0) << w.err;
  const auto second = w.Snapshot("out");
  ASSERT_EQ(second.size(), 5u);
  for (std::size_t i = 0; i < first.size(); ++i) EXPECT_NE(second[i], first[i]) << first[i].first;
}

}  // namespace
}  // namespace sirvane
