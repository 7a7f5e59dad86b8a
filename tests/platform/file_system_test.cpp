#include "platform/file_system.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "support/temp_dir.h"

namespace sirvane {
namespace {

// The common masks are matched in the FindEntries test below; these are the corners.
TEST(MatchesMaskTest, Wildcards) {
  const std::vector<std::tuple<std::string, std::string, bool>> cases = {
      {"x.logx", "*.log", false}, {"access.log", "access?.log", false}, {"", "?", false}, {"", "*", true},
      {"a", "", false}, {"abcabcabd", "*abd", true}, {"\xC4.log", "\xE4.log", false},  // ASCII letters only fold
      {std::string(5000, 'a'), "*a*a*a*a*a*a*a*a*a*a*b", false},  // must not take for ever
  };
  for (const auto& [name, pattern, matches] : cases)
    EXPECT_EQ(MatchesMask(name, pattern), matches) << name.substr(0, 20) << " / " << pattern;
}

// Every matching entry, files and directories, with its size. POSIX gives
// them in name order, whatever the letter case; Windows in an order of its own.
TEST(FileSystemTest, FindsEveryMatchingEntryInAnyLetterCase) {
  testing::TempDir dir;
  const std::string& d = dir.path();
  std::filesystem::create_directories(d + "/Logs/access_dir.log");
  for (const std::string name : {"Access1.LOG", "access2.log", "ACCESS10.log", "other.txt", "access.log.old"})
    testing::WriteFile(d + "/Logs/" + name, name);  // the size is the name's length
  std::vector<std::pair<std::string, std::vector<std::string>>> searches = {
      {d + "\\logs\\access*.log", {"Access1.LOG 11", "ACCESS10.log 12", "access2.log 11", "access_dir.log 0/"}},
      {d + "/Logs/ACCESS?.LOG", {"Access1.LOG 11", "access2.log 11"}},
      {d + "/missing/*", {}},
  };
#ifndef _WIN32
  // Names that differ only in letter case, and a dangling link: POSIX only.
  for (const char* name : {"/Data", "/data"}) std::filesystem::create_directory(d + name);
  for (const std::string name : {"b", "B"}) testing::WriteFile(d + "/Logs/" + name, name);
  ASSERT_EQ(symlink("nowhere", (d + "/Logs/access_dangling.log").c_str()), 0);
  searches[0].second.insert(searches[0].second.end() - 1, "access_dangling.log 0");
  searches.push_back({d + "/Logs/?", {". 0/", "B 1", "b 1"}});
  searches.push_back({d + "/Logs/.*", {". 0/", ".. 0/"}});
#endif
  for (auto& [mask, expected] : searches) {
    std::vector<std::string> found;
    for (const DirectoryEntry& e : FindEntries(mask))
      found.push_back(e.name + " " + std::to_string(e.size) + (e.is_directory ? "/" : ""));
#ifdef _WIN32
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
#endif
    EXPECT_EQ(found, expected) << mask;
  }
  EXPECT_TRUE(FileExists(d + "\\logs\\access1.log"));
  EXPECT_FALSE(FileExists(d + "/logs/access_dir.log"));
#ifndef _WIN32
  // Windows resolves letter case itself.
  const std::vector<std::pair<std::string, std::string>> paths = {
      {d + "/logs\\access1.log", d + "/Logs/Access1.LOG"}, {"logs\\access1.log", "Logs/Access1.LOG"},
      {d + "//LOGS///ACCESS1.LOG", d + "/Logs/Access1.LOG"}, {d + "/logs/new.txt", d + "/Logs/new.txt"},
      {d + "/Missing/LOGS/x", d + "/Missing/LOGS/x"}, {d + "/data", d + "/data"}, {d + "/DATA", d + "/Data"},
  };
  testing::ChangeDirectory here(d);  // for the relative path
  for (const auto& [given, resolved] : paths) EXPECT_EQ(ResolvePath(given), resolved) << given;
#endif
}

}  // namespace
}  // namespace sirvane
