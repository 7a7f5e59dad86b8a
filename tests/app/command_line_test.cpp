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

}  // namespace
}  // namespace sirvane
