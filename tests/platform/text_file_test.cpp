#include "platform/text_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "platform/error.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace sirvane {
namespace {

using Replace = TextFileWriter::Replace;

// Lines end in CR LF; unbuffered bytes come after what is buffered and before
// what follows; letter case and '\\' in paths follow the files there are.
TEST(TextFileTest, WritesCrLfLinesAndReplacesAtomicallyOnlyOnClose) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir.File("Logs"));
  testing::WriteFile(dir.File("Logs/report.html"), "old");
  testing::WriteFile(dir.File("Logs/last.log"), "a longer old text");
  const std::string big(100000, 'b');  // past the buffer at once
  {
    TextFileWriter kept, abandoned, direct;
    kept.Create(dir.path() + "\\logs\\report.html", Replace::kAtomically);
    abandoned.Create(dir.File("Logs/report.html"), Replace::kAtomically);
    direct.Create(dir.File("logs/last.log"));
    direct.Write("new");
    direct.Flush();
    direct.WriteLine(" dropped");  // abandoned: never reaches the file
    kept.Write(std::string("\0\xFF", 2));
    for (int i = 0; i < 20000; ++i) kept.WriteLine(std::to_string(i));
    kept.WriteUnbuffered("<unbuffered>");
    kept.WriteLine(big);
    EXPECT_EQ(testing::ReadFile(dir.File("Logs/report.html")), "old");
    kept.Close();
  }
  std::string expected("\0\xFF", 2);
  for (int i = 0; i < 20000; ++i) expected += std::to_string(i) + "\r\n";
  EXPECT_EQ(ReadWholeFile(dir.path() + "/LOGS/REPORT.HTML"), expected + "<unbuffered>" + big + "\r\n");
  EXPECT_EQ(testing::ReadFile(dir.File("Logs/last.log")), "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("Logs")), {}), 2);  // no temp file
}

// Only the end of the file is compared: a tail as long as the file, a
// shorter and a longer one, a change in the first or last byte, no file.
TEST(TextFileTest, FileEndsWithComparesTheLastBytesOnly) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("page.html"), "<p>12.03.2026\r\n</html>\r\n");
  for (const auto& [name, tail, ends] :
       {std::tuple{"page.html", "<p>12.03.2026\r\n</html>\r\n", true}, {"page.html", "2026\r\n</html>\r\n", true},
        {"page.html", "", true}, {"page.html", "x<p>12.03.2026\r\n</html>\r\n", false},
        {"page.html", "2026\r\n</html>\r\r", false}, {"page.html", "3026\r\n</html>\r\n", false},
        {"missing.html", "", false}}) {
    EXPECT_EQ(FileEndsWith(dir.File(name), tail), ends) << name << " " << tail;
  }
}

// When a staged file cannot be moved into place at Commit, the error names it
// and the summary page, moved last, stays the old one. (Nothing replaced or left
// behind without Commit: the fault-injection tests.)
TEST(TextFileTest, AStagedFileThatCannotBeMovedIsNamedAndTheSummaryStaysOld) {
  testing::TempDir dir;
  const std::string out = dir.path() + "/";
  testing::WriteFile(out + "report.html", "old report");
  std::filesystem::create_directory(out + "p123.html");
  std::string advice;
  {
    StagedFiles staged;
    for (int i = 0; i <= 300; ++i) {
      TextFileWriter file;
      file.Create(out + (i == 300 ? "report.html" : "p" + std::to_string(i) + ".html"), &staged);
      file.WriteLine(std::to_string(i));
      file.Close();
    }
    try {
      staged.Commit("report.html");
    } catch (const RunError& error) {
      advice = error.advice();
    }
  }
  EXPECT_NE(advice.find("p123.html"), std::string::npos) << advice;
  EXPECT_EQ(testing::ReadFile(out + "report.html"), "old report");
  EXPECT_TRUE(std::filesystem::is_directory(out + "p123.html"));  // never moved aside
}

// Commit moves the staged files a few names at a time: every target gets its
// new bytes, replaced ones included (swapped aside, then removed), and nothing
// is left of the staging directory or the old files.
TEST(TextFileTest, CommitInRoundsReplacesEveryTargetAndLeavesNothingBehind) {
  for (const std::size_t names_per_round : {std::size_t{0}, std::size_t{4}, SIZE_MAX}) {
    SCOPED_TRACE(names_per_round);
    testing::TempDir dir;
    const std::string out = dir.path() + "/";
    for (int i = 0; i < 40; i += 3) testing::WriteFile(out + "p" + std::to_string(i) + ".html", "old");
    testing::WriteFile(out + "report.html", "old report");
    testing::WriteFile(out + "unrelated.txt", "kept");
    {
      StagedFiles staged(names_per_round);
      for (int i = 0; i <= 40; ++i) {
        TextFileWriter file;
        file.Create(out + (i == 40 ? "report.html" : "p" + std::to_string(i) + ".html"), &staged);
        file.Write("new " + std::to_string(i));
        file.Close();
      }
      staged.Commit("report.html");
    }
    for (int i = 0; i < 40; ++i) EXPECT_EQ(testing::ReadFile(out + "p" + std::to_string(i) + ".html"), "new " + std::to_string(i));
    EXPECT_EQ(testing::ReadFile(out + "report.html"), "new 40");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 42);  // the pages, the summary, unrelated.txt
  }
}

#ifndef _WIN32
// Windows finds names in any letter case by itself. Here the output directory
// is found in another case: old pages are compared there (a link at a page's
// name is never the same), and staged pages end up there.
TEST(TextFileTest, PagesFindTheirDirectoryInAnyLetterCase) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir.File("Out"));
  testing::WriteFile(dir.File("Out/old.html"), "old page");
  std::filesystem::create_symlink("old.html", dir.File("Out/link.html"));
  for (const auto& [path, same] :
       {std::pair{"out/old.html", true}, {"out/link.html", false}, {"Out/none.html", false}}) {
    FileComparer old(ResolveForCreate(dir.File(path)));
    EXPECT_EQ(old.Continues("old page") && old.Same(), same) << path;
  }
  const std::vector<std::string> pages = {"out/a.html", "Out/b.html", "OUT/c.html", "OUT/d.html", "Out/old.html"};
  {
    StagedFiles staged;
    for (const std::string& path : pages) {
      TextFileWriter file;
      file.Create(dir.File(path), &staged);
      file.Write(path);
      file.Close();
      EXPECT_EQ(staged.Target(dir.File(path)), dir.File("Out") + path.substr(path.find('/'))) << path;
    }
    staged.Commit("old.html");
  }
  for (const std::string& path : pages) {
    EXPECT_EQ(testing::ReadFile(dir.File("Out") + path.substr(path.find('/'))), path);
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no other directory made
}
#endif

}  // namespace
}  // namespace sirvane
