// Every file a run writes, refused or failing midway: the run must stop with
// the error report and exit code 1, and the report files of the previous good
// run must stay exactly as they were, with nothing half-written beside them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/workspace.h"

namespace sirvane {
namespace {

using testing::SquidLine;
using testing::Workspace;

const std::string kFirstLog = SquidLine("alice", 5120, "10.0.3.17", "http://cdn.example.com/a.png") +
                              SquidLine("bob", 70000, "10.0.3.18", "http://www.example.org/");
// The second run has more to say, so a file it managed to replace would differ.
const std::string kSecondLog = kFirstLog + SquidLine("carol", 90000, "10.0.3.19", "http://news.example/") +
                               SquidLine("alice", 4096, "10.0.3.20", "http://cdn.example.com/b.png") +
                               SquidLine("bob", 2048, "10.0.3.18", "http://www.example.org/");

struct Fault {
  std::string name;
  std::string config;  // appended to the Squid configuration; "!" alone: an invalid one
  std::string fault;   // for the preloaded library, "" for none
  std::string path;    // the part of the path it acts on
  std::string kind;    // the error's kind line
  std::string mention; // the advice must name this
  std::string directory = "";  // made in the workspace first
};

TEST(FaultInjectionTest, EveryFailingFileStopsTheRunAndKeepsThePreviousReports) {
  const std::string invalid = "namefield=x\n";
  const std::vector<Fault> faults = {
      // The working report.
      {"log dir is a file", "logfile=plain/run.log\n", "", "", "I/O error 20", "plain/run.log"},
      {"log is a directory", "logfile=out\n", "", "", "I/O error 21", "'out'"},
      {"log on full disk", "logfile=/dev/full\n", "", "", "I/O error 28", "/dev/full"},
      {"log create refused", "", "create", "last.log", "I/O error 13", "last.log"},
      {"log write fails", "", "write=100", "last.log", "I/O error 28", "last.log"},
      // The abort log of a refused configuration.
      {"abort log is a directory", invalid, "", "", "I/O error 21", "abort.log", "abort.log"},
      {"abort log create refused", invalid, "create", "abort.log", "I/O error 13", "abort.log"},
      {"abort log write fails", invalid, "write=30", "abort.log", "I/O error 28", "abort.log"},
      // The output directory itself (a missing one: MainTest's error stops).
      {"out dir is a file", "outputpath=plain\n", "", "", "I/O error 20", "plain/ipaccess.txt"},
  };
  std::vector<Fault> all = faults;
  // Each report file: creation refused, a write failing midway, close failing.
  for (const std::string file : {"ipaccess.txt", "report.html", "bob.html", "alice.html", "carol.html"}) {
    all.push_back({file + " create refused", "", "create", "/" + file, "I/O error 13", "out/" + file});
    all.push_back({file + " write fails", "", "write=40", "/" + file, "I/O error 28", "out/" + file});
    all.push_back({file + " close fails", "", "close", "/" + file, "I/O error 28", "out/" + file});
  }

  for (const Fault& f : all) {
    SCOPED_TRACE(f.name);
    Workspace w(kFirstLog);
    testing::WriteFile(w.dir.File("plain"), "a regular file\n");
    if (!f.directory.empty()) std::filesystem::create_directory(w.dir.File(f.directory));
    ASSERT_EQ(w.Run(), 0) << w.err;
    const auto previous = w.Snapshot("out");
    ASSERT_EQ(previous.size(), 4u);  // ipaccess.txt, report.html, alice.html, bob.html

    testing::WriteFile(w.dir.File("logs/access.log"), kSecondLog);
    testing::WriteFile(w.dir.File("sirvane.cfg"), testing::kSquidConfig + f.config);
    const int code = f.fault.empty() ? w.Run() : w.RunWithFault(f.fault, f.path);
    EXPECT_EQ(code, 1) << w.err;
    EXPECT_EQ(w.err.rfind("Application Error\n" + f.kind, 0), 0u) << w.err;
    EXPECT_NE(w.err.find(f.mention), std::string::npos) << w.err;
    EXPECT_EQ(w.Snapshot("out"), previous);  // byte for byte, and no staging or temporary file left
  }
}

// Without a fault the same second run replaces every file: the faults above
// are what kept the old ones.
TEST(FaultInjectionTest, ASecondGoodRunReplacesEveryReport) {
  Workspace w(kFirstLog);
  ASSERT_EQ(w.Run(), 0) << w.err;
  const auto previous = w.Snapshot("out");
  testing::WriteFile(w.dir.File("logs/access.log"), kSecondLog);
  ASSERT_EQ(w.RunWithFault("write=1000000000", "/out/"), 0) << w.err;
  const auto next = w.Snapshot("out");
  ASSERT_EQ(next.size(), 5u);
  for (std::size_t i = 0; i < previous.size(); ++i) EXPECT_NE(next[i], previous[i]) << previous[i].first;
}

}  // namespace
}  // namespace sirvane
