#include "platform/text_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace sirvane {
namespace {

using Replace = TextFileWriter::Replace;

template <typename Action>
std::string ErrorKind(Action action) {  // of the RunError `action` throws, or "none"
  try { action(); } catch (const RunError& error) { return error.kind(); }
  return "none";
}

TEST(TextFileTest, WritesCrLfLinesAndReplacesAtomicallyOnlyOnClose) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir.File("Logs"));
  testing::WriteFile(dir.File("Logs/report.html"), "old");
  testing::WriteFile(dir.File("Logs/last.log"), "a longer old text");
  std::string expected("***\0\xFF - ", 8);
  {
    TextFileWriter kept, abandoned, direct;
    kept.Create(dir.path() + "\\logs\\report.html", Replace::kAtomically);
    abandoned.Create(dir.File("Logs/report.html"), Replace::kAtomically);
    direct.Create(dir.File("logs/last.log"));
    direct.Write("new");
    direct.Flush();
    direct.WriteLine(" dropped");  // abandoned: never reaches the file
    kept.Write(expected);
    for (int i = 0; i < 20000; ++i) {  // past the buffer in small and in large writes
      const std::string text = i == 9999 ? std::string(100000, 'b') : std::to_string(i);
      if (i % 1000 == 7) {
        kept.WriteUnbuffered(text);  // after what is buffered, before what follows
        expected += text;
      } else {
        kept.WriteLine(text);
        expected += text + "\r\n";
      }
    }
    EXPECT_EQ(testing::ReadFile(dir.File("Logs/report.html")), "old");
    kept.Close();
  }
  EXPECT_EQ(ReadWholeFile(dir.path() + "/LOGS/REPORT.HTML"), expected);
  EXPECT_EQ(testing::ReadFile(dir.File("Logs/last.log")), "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("Logs")), {}), 2);  // no temp file
}

TEST(TextFileTest, FailuresAreIoErrors) {
  testing::TempDir dir;
  for (Replace replace : {Replace::kDirect, Replace::kAtomically}) {
    EXPECT_EQ(ErrorKind([&] { TextFileWriter().Create(dir.File("missing/a"), replace); }),
              testing::kNoDirectoryError);
  }
  EXPECT_EQ(ErrorKind([&] { ReadWholeFile(dir.File("missing.cfg")); }), "I/O error 2");
}

// Staged files appear only on Commit, all at once; without Commit nothing of
// them is left, not even the staging directory.
TEST(TextFileTest, StagedFilesReplaceTheirTargetsOnlyOnCommit) {
  testing::TempDir dir;
  const std::string out = dir.path() + "/";
  testing::WriteFile(out + "report.html", "old report");
  testing::WriteFile(out + "a.html", "old page");
  auto write = [&](StagedFiles& staged, const std::string& name) {
    TextFileWriter file;
    file.Create(out + name, &staged);
    file.WriteLine("new " + name);
    file.Close();
  };
  auto entries = [&] {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  };
  {
    StagedFiles abandoned;
    write(abandoned, "a.html");
    write(abandoned, "b.html");
    EXPECT_EQ(testing::ReadFile(out + "a.html"), "old page");
  }
  EXPECT_EQ(entries(), (std::vector<std::string>{"a.html", "report.html"}));
  EXPECT_EQ(testing::ReadFile(out + "a.html"), "old page");

  StagedFiles staged;
  for (const char* name : {"a.html", "b.html", "report.html"}) write(staged, name);
  EXPECT_EQ(testing::ReadFile(out + "report.html"), "old report");
  staged.Commit("report.html");
  EXPECT_EQ(entries(), (std::vector<std::string>{"a.html", "b.html", "report.html"}));
  for (const char* name : {"a.html", "b.html", "report.html"}) {
    EXPECT_EQ(testing::ReadFile(out + name), std::string("new ") + name + "\r\n");
  }
}

// Many files are moved; when one cannot be, the run stops
// with its error and the summary page stays the old one.
TEST(TextFileTest, CommitMovesManyFilesAndStopsBeforeTheLastOnAFailure) {
  for (const bool blocked : {false, true}) {
    SCOPED_TRACE(blocked ? "one target is a directory" : "all targets free");
    testing::TempDir dir;
    const std::string out = dir.path() + "/";
    testing::WriteFile(out + "report.html", "old report");
    if (blocked) std::filesystem::create_directory(out + "p123.html");
    StagedFiles staged;
    for (int i = 0; i < 500; ++i) {
      TextFileWriter file;
      file.Create(out + "p" + std::to_string(i) + ".html", &staged);
      file.Write(std::to_string(i));
      file.Close();
    }
    TextFileWriter report;
    report.Create(out + "report.html", &staged);
    report.Write("new report");
    report.Close();
    if (!blocked) {
      staged.Commit("report.html");
      for (int i = 0; i < 500; ++i) ASSERT_EQ(testing::ReadFile(out + "p" + std::to_string(i) + ".html"), std::to_string(i));
      EXPECT_EQ(testing::ReadFile(out + "report.html"), "new report");
      continue;
    }
    try {
      staged.Commit("report.html");
      ADD_FAILURE() << "no error";
    } catch (const RunError& error) {
      EXPECT_NE(error.advice().find("p123.html"), std::string::npos) << error.advice();
    }
    EXPECT_TRUE(std::filesystem::is_directory(out + "p123.html"));  // never moved aside
    EXPECT_EQ(testing::ReadFile(out + "report.html"), "old report");
  }
}

// The old file is read piece by piece as the new bytes come; anything but the
// same bytes to the end is a difference, and only a plain file is compared.
TEST(TextFileTest, FileComparerSaysSameOnlyForTheWholeOfAPlainFile) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("page"), "abcdef");
  testing::WriteFile(dir.File("empty"), "");
  std::filesystem::create_directory(dir.File("folder"));
  const std::string big(200000, 'b');  // more than one read
  testing::WriteFile(dir.File("big"), big);
  struct Case {
    const char* file;
    std::vector<std::string> pieces;
    bool same;
  };
  const Case cases[] = {
      {"page", {"abcdef"}, true},
      {"page", {"abc", "", "def"}, true},
      {"page", {"abc", "deg"}, false},
      {"page", {"abcde"}, false},         // the file holds more
      {"page", {"abcdef", "g"}, false},   // the new text is longer
      {"page", {"abd", "def"}, false},    // a later match does not undo a difference
      {"empty", {}, true},
      {"empty", {""}, true},
      {"missing", {}, false},
      {"folder", {}, false},
      {"big", {big.substr(0, 70000), big.substr(70000)}, true},
      {"big", {big.substr(0, 199999) + "c"}, false},
  };
  for (const Case& c : cases) {
    FileComparer old(dir.File(c.file));
    for (const std::string& piece : c.pieces) old.Continues(piece);
    EXPECT_EQ(old.Same(), c.same) << c.file << " in " << c.pieces.size() << " pieces";
  }
#ifndef _WIN32
  std::filesystem::create_symlink(dir.File("page"), dir.File("link"));
  FileComparer link(dir.File("link"));  // replaced by a file when written, so never the same
  link.Continues("abcdef");
  EXPECT_FALSE(link.Same());
#endif
}

}  // namespace
}  // namespace sirvane
