// The program as a user runs it: exit codes, the error report on stderr, and
// what is (and is not) left on disk after an error stop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/system.h"
#include "support/program.h"
#include "support/workspace.h"

namespace sirvane {
namespace {

using testing::SquidLine;
using testing::Workspace;

const std::string kLog =
    "\n#Fields: time elapsed client code bytes method url user hierarchy type\n" + testing::kAliceAndBob;

// Only the first argument, lower-cased, asks for usage or version, on stdout with
// nothing written; anything else names a (here missing) configuration: abort log.
TEST(MainTest, OnlyTheFirstArgumentCanAskForUsageOrVersion) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {  // arguments, how stdout starts
      {{"--HELP"}, "Usage: sirvane [CONFIG-FILE]\n"}, {{"-h", "other.cfg"}, "Usage: "}, {{"--Version"}, "sirvane 1."},
      {{"X.cfg", "--help"}, ""}, {{"--help=1"}, ""}, {{"-v"}, ""}};
  for (const auto& [arguments, out] : cases) {
    SCOPED_TRACE(arguments.front());
    Workspace w(kLog);
    EXPECT_EQ(w.Run(arguments), 0);
    EXPECT_EQ(w.err, "");
    EXPECT_TRUE(w.out.starts_with(out) && w.out.empty() == out.empty()) << w.out;
    EXPECT_EQ(testing::Exists(w.dir.File("abort.log")), out.empty());
    EXPECT_EQ(w.Snapshot("out").size(), 0u);
  }
}

TEST(MainTest, ProgressLineOnlyOnATerminalAndErasedAtTheEnd) {
  std::string log = kLog;  // several read blocks, so that the progress line is drawn more than once
  for (int i = 0; log.size() < (std::size_t{3} << 20); ++i) {
    log += SquidLine("user" + std::to_string(i % 37), 100 + i % 9973, "10.0.3." + std::to_string(i % 11),
                     "http://h" + std::to_string(i % 101) + ".example/" + std::string(80, 'p'));
  }
  Workspace w(log);
  ASSERT_EQ(w.Run(), 0);
  EXPECT_EQ(w.err, "");  // stderr is a file
#ifdef _WIN32
  GTEST_SKIP() << "script(1) gives a POSIX terminal";
#endif
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "script(1) is not installed";
  // script gives the program a terminal and copies what it shows to stdout.
  const std::string command = "cd '" + w.dir.path() + "' && script -qec \"LC_ALL=C '" + testing::ProgramPath() +
                              "'\" /dev/null </dev/null >screen.txt 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string screen = w.Read("screen.txt");
  EXPECT_EQ(screen.rfind("\raccess.log: 1.0 MiB of 3.0 MiB (33%)", 0), 0u) << screen;
  EXPECT_EQ(screen.back(), '\r') << screen;  // erased: blanks, then back to the line's start
  EXPECT_EQ(screen.substr(screen.rfind('\r', screen.size() - 2) + 1).find_first_not_of(" \r"), std::string::npos);
  EXPECT_FALSE(w.Read("out/report.html").empty());
}

// A run that stops with an error says why on stderr, exits with 1 and leaves
// the reports of the previous good run as they were.
TEST(MainTest, AnErrorStopReportsOnStderrAndKeepsThePreviousReports) {
  Workspace w(kLog);
  ASSERT_EQ(w.Run(), 0) << w.err;
  const auto previous = w.Snapshot("out");
  testing::WriteFile(w.dir.File("sirvane.cfg"), std::string(testing::kSquidConfig) + "outputpath=missing\n");
  EXPECT_EQ(w.Run(), 1);
  EXPECT_EQ(w.err.rfind("Application Error\n" + std::string(testing::kNoDirectoryError) + "\n", 0), 0u) << w.err;
  EXPECT_NE(w.err.find(std::string("missing") + kDirectorySeparator + "ipaccess.txt"), std::string::npos) << w.err;
  EXPECT_EQ(w.Snapshot("out"), previous);
}

}  // namespace
}  // namespace sirvane
