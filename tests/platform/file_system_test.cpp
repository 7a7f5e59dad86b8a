#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace sirvane {
namespace {

class FileSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/sirvane_fs_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void MakeFile(const std::string& relative, std::size_t size) {
    std::ofstream(dir_ + "/" + relative, std::ios::binary) << std::string(size, 'x');
  }
  void MakeDirectory(const std::string& relative) { ASSERT_EQ(mkdir((dir_ + "/" + relative).c_str(), 0755), 0); }

  std::string dir_;
};

struct MaskCase {
  const char* name;
  const char* pattern;
  bool matches;
};

TEST(MatchesMaskTest, Wildcards) {
  const std::vector<MaskCase> cases = {
      {"access.log", "*.log", true},
      {"ACCESS.LOG", "access*.log", true},
      {"access.log", "access?.log", false},
      {"access1.log", "access?.log", true},
      {"access12.log", "access?.log", false},
      {"x.logx", "*.log", false},
      {"a", "*", true},
      {"", "*", true},
      {"", "", true},
      {"a", "", false},
      {"", "?", false},
      {".", "*", true},
      {"abc", "a*c*", true},
      {"abcd", "a*c", false},
      {"abcabcabd", "*abd", true},
      {"mississippi", "m*iss*ppi", true},
      {"mississippi", "m*iss*ppx", false},
      {"a*b", "a*b", true},
      {"Ab?", "a?*", true},
      {"\xC4.log", "\xE4.log", false},  // no case folding above ASCII
  };
  for (const MaskCase& c : cases) {
    EXPECT_EQ(MatchesMask(c.name, c.pattern), c.matches) << c.name << " / " << c.pattern;
  }
  // Many stars against a long near-miss: must not explode in time.
  EXPECT_FALSE(MatchesMask(std::string(5000, 'a'), "*a*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(MatchesMask(std::string(5000, 'a') + "b", "*a*a*a*a*a*a*a*a*a*a*b"));
}

TEST_F(FileSystemTest, FindEntriesMatchesCaseInsensitivelyAndSorts) {
  MakeFile("Access1.LOG", 10);
  MakeFile("access2.log", 20);
  MakeFile("ACCESS10.log", 30);
  MakeFile("other.txt", 1);
  MakeDirectory("access_dir.log");
  MakeFile("access_dir.log/inner.log", 5);
  ASSERT_EQ(symlink((dir_ + "/nowhere").c_str(), (dir_ + "/access_dangling.log").c_str()), 0);
  ASSERT_EQ(symlink((dir_ + "/access2.log").c_str(), (dir_ + "/access_link.log").c_str()), 0);

  const std::vector<DirectoryEntry> entries = FindEntries(dir_ + "/access*.log");
  std::vector<std::string> names;
  for (const DirectoryEntry& e : entries) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Access1.LOG", "ACCESS10.log", "access2.log",
                                             "access_dangling.log", "access_dir.log", "access_link.log"}));
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[0].size, 10);
  EXPECT_EQ(entries[1].size, 30);
  EXPECT_EQ(entries[2].size, 20);
  EXPECT_FALSE(entries[2].is_directory);
  EXPECT_EQ(entries[3].size, 0);  // dangling link
  EXPECT_FALSE(entries[3].is_directory);
  EXPECT_TRUE(entries[4].is_directory);
  EXPECT_EQ(entries[4].size, 0);
  EXPECT_EQ(entries[5].size, 20);  // a link counts as its target
}

TEST_F(FileSystemTest, FindEntriesWithBackslashesQuestionMarksAndTies) {
  MakeFile("Access1.LOG", 1);
  MakeFile("access2.log", 1);
  MakeFile("access22.log", 1);
  MakeFile("b", 1);
  MakeFile("B", 1);
  std::string windows_dir = dir_;
  for (char& c : windows_dir) {
    if (c == '/') c = '\\';
  }

  std::vector<std::string> names;
  for (const DirectoryEntry& e : FindEntries(windows_dir + "\\ACCESS?.LOG")) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Access1.LOG", "access2.log"}));

  names.clear();
  for (const DirectoryEntry& e : FindEntries(dir_ + "/?")) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{".", "B", "b"}));  // equal when folded: bytewise
}

TEST_F(FileSystemTest, FindEntriesStarIncludesDotEntries) {
  MakeFile("a.log", 1);
  std::vector<std::string> names;
  for (const DirectoryEntry& e : FindEntries(dir_ + "/*")) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "a.log"}));
}

TEST_F(FileSystemTest, FindEntriesResolvesTheDirectoryLeniently) {
  MakeDirectory("Logs");
  MakeFile("Logs/Access.LOG", 3);
  const std::vector<DirectoryEntry> entries = FindEntries(dir_ + "\\logs\\*.log");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "Access.LOG");
  EXPECT_EQ(entries[0].size, 3);
}

TEST_F(FileSystemTest, FindEntriesInMissingDirectoryIsEmpty) {
  EXPECT_TRUE(FindEntries(dir_ + "/missing/*.log").empty());
  EXPECT_TRUE(FindEntries(dir_ + "/*.none").empty());
}

TEST_F(FileSystemTest, ResolvePathFindsComponentsInAnyLetterCase) {
  MakeDirectory("Logs");
  MakeFile("Logs/Access.LOG", 1);
  MakeDirectory("Data");
  MakeDirectory("data");
  struct Case {
    std::string given;
    std::string resolved;
  };
  const std::vector<Case> cases = {
      {dir_ + "/logs\\access.log", dir_ + "/Logs/Access.LOG"},
      {dir_ + "//LOGS///ACCESS.LOG", dir_ + "/Logs/Access.LOG"},
      {dir_ + "/Logs/Access.LOG", dir_ + "/Logs/Access.LOG"},
      {dir_ + "/logs/new.txt", dir_ + "/Logs/new.txt"},         // missing name kept as given
      {dir_ + "/Missing/LOGS/x", dir_ + "/Missing/LOGS/x"},     // nothing below a missing part
      {dir_ + "/logs/./../logs/access.log", dir_ + "/Logs/./../Logs/Access.LOG"},
      {dir_ + "/data", dir_ + "/data"},  // an exact match wins
      {dir_ + "/DATA", dir_ + "/Data"},  // otherwise the bytewise first
      {dir_ + "/logs\\", dir_ + "/Logs/"},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolvePath(c.given), c.resolved) << c.given;
}

TEST_F(FileSystemTest, ResolvePathRelativeToTheCurrentDirectory) {
  MakeDirectory("Logs");
  MakeFile("Logs/Access.LOG", 1);
  const std::string previous = std::filesystem::current_path();
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  const std::string resolved = ResolvePath("logs\\access.log");
  const std::string missing = ResolvePath("logs\\other.log");
  ASSERT_EQ(chdir(previous.c_str()), 0);
  EXPECT_EQ(resolved, "Logs/Access.LOG");
  EXPECT_EQ(missing, "Logs/other.log");
}

TEST_F(FileSystemTest, FileExistsOnlyForFiles) {
  MakeDirectory("Logs");
  MakeFile("Logs/Access.LOG", 0);
  EXPECT_TRUE(FileExists(dir_ + "/Logs/Access.LOG"));
  EXPECT_TRUE(FileExists(dir_ + "\\logs\\access.log"));
  EXPECT_FALSE(FileExists(dir_ + "/logs"));
  EXPECT_FALSE(FileExists(dir_ + "/logs/missing.log"));
}

}  // namespace
}  // namespace sirvane
