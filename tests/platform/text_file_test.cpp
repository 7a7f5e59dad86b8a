#include "platform/text_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>
#include <vector>

#include "platform/error.h"
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

// Staged files appear only on Commit, all at once, the summary page last;
// without Commit nothing of them is left, not even the staging directory.
// When one cannot be moved, the error names it and the summary stays the old.
TEST(TextFileTest, StagedFilesReplaceTheirTargetsOnlyOnCommit) {
  for (const std::string how : {"abandoned", "committed", "blocked"}) {
    SCOPED_TRACE(how);
    testing::TempDir dir;
    const std::string out = dir.path() + "/";
    testing::WriteFile(out + "report.html", "old report");
    testing::WriteFile(out + "p7.html", "old page");
    if (how == "blocked") std::filesystem::create_directory(out + "p123.html");
    std::string advice = "none";
    {
      StagedFiles staged;
      for (int i = 0; i <= 300; ++i) {
        TextFileWriter file;
        file.Create(out + (i == 300 ? "report.html" : "p" + std::to_string(i) + ".html"), &staged);
        file.WriteLine(std::to_string(i));
        file.Close();
      }
      EXPECT_EQ(testing::ReadFile(out + "p7.html"), "old page");
      try {
        if (how != "abandoned") staged.Commit("report.html");
      } catch (const RunError& error) {
        advice = error.advice();
      }
    }
    const bool committed = how == "committed";
    EXPECT_EQ(advice.find("p123.html") != std::string::npos, how == "blocked") << advice;
    EXPECT_EQ(testing::ReadFile(out + "report.html"), committed ? "300\r\n" : "old report");
    EXPECT_TRUE(how != "blocked" || std::filesystem::is_directory(out + "p123.html"));  // never moved aside
    if (how != "blocked") {  // and nothing staged is left
      EXPECT_EQ(testing::ReadFile(out + "p7.html"), committed ? "7\r\n" : "old page");
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), committed ? 301 : 2);
    }
  }
}

// The old file is read piece by piece as the new bytes come; anything but the
// same bytes to the end is a difference, and only a plain file is compared.
TEST(TextFileTest, FileComparerSaysSameOnlyForTheWholeOfAPlainFile) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("page"), "abcdef");
  std::filesystem::create_directory(dir.File("folder"));
  const std::string big(200000, 'b');  // more than one read
  testing::WriteFile(dir.File("big"), big);
  const std::vector<std::tuple<std::string, std::vector<std::string>, bool>> cases = {
      {"page", {"abc", "", "def"}, true}, {"page", {"abcde"}, false}, {"page", {"abcdef", "g"}, false},
      {"page", {"abd", "def"}, false},  // a later match does not undo a difference
      {"missing", {}, false}, {"folder", {}, false}, {"big", {big.substr(0, 70000), big.substr(70000)}, true},
      {"big", {big.substr(0, 199999) + "c"}, false},  // differs only in a later read
#ifndef _WIN32
      {"link", {"abcdef"}, false},  // replaced by a file when written, so never the same
#endif
  };
#ifndef _WIN32
  std::filesystem::create_symlink(dir.File("page"), dir.File("link"));
#endif
  for (const auto& [file, pieces, same] : cases) {
    FileComparer old(dir.File(file));
    for (const std::string& piece : pieces) old.Continues(piece);
    EXPECT_EQ(old.Same(), same) << file << " in " << pieces.size() << " pieces";
  }
}

}  // namespace
}  // namespace sirvane
