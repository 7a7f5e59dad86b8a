#include "app/command_line.h"

#include <gtest/gtest.h>

namespace sirvane {
namespace {

TEST(CommandLineTest, OnlyTheFirstArgumentCanAskForUsageOrVersion) {
  const std::string usage = UsageText();
  const std::string version = VersionText();
  const std::vector<std::pair<std::vector<std::string>, std::optional<std::string>>> cases = {
      {{}, std::nullopt},
      {{"--help"}, usage},
      {{"-h"}, usage},
      {{"--HELP"}, usage},  // lower-cased like any argument
      {{"-H"}, usage},
      {{"--help", "other.cfg"}, usage},
      {{"--version"}, version},
      {{"--Version"}, version},
      {{"sirvane.cfg", "--help"}, std::nullopt},  // later arguments are ignored
      {{"help"}, std::nullopt},
      {{"--help=1"}, std::nullopt},
      {{"-help"}, std::nullopt},
      {{"-v"}, std::nullopt},
      {{""}, std::nullopt},
  };
  for (const auto& [arguments, expected] : cases) {
    EXPECT_EQ(InformationRequested(arguments), expected) << (arguments.empty() ? "" : arguments.front());
  }
}

TEST(CommandLineTest, UsageNamesTheArgumentFilesExitCodesAndWhereToReadMore) {
  const std::string usage = UsageText();
  for (const char* text : {"Usage: sirvane [CONFIG-FILE]", "sirvane.cfg", "last.log", "abort.log", "report.html",
                           "ipaccess.txt", "Exit codes", "  0 ", "  1 ", "README", "man sirvane"}) {
    EXPECT_NE(usage.find(text), std::string::npos) << text;
  }
  EXPECT_EQ(VersionText().rfind("sirvane 1.", 0), 0u) << VersionText();
  EXPECT_EQ(VersionText().back(), '\n');
}

}  // namespace
}  // namespace sirvane
