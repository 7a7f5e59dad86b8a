#include "app/analysis_driver.h"
#include "app/run.h"

#include <gtest/gtest.h>

namespace sirvane {
namespace {

// The input path's directory part, each run of separators kept as its first
// separator, except that two leading ones stay (a network share).
TEST(DirectoryPrefixTest, KeepsEachSeparatorAndDropsTheMask) {
  const std::pair<std::string, std::string> cases[] = {
      {"c:\\\\logs\\*.log", "c:\\logs\\"}, {"\\\\server\\share\\*.log", "\\\\server\\share\\"},
      {"\\logs\\*.log", "\\logs\\"}, {"///srv//logs/*.log", "//srv/logs/"}, {"logs/", "logs/"}, {"access*.log", ""}};
  for (const auto& [input, prefix] : cases) EXPECT_EQ(DirectoryPrefix(input), prefix) << input;
}

// 30 / day, but never below 1, and 1 for the final report.
TEST(PrognosisFactorTest, ProjectsToThirtyDays) {
  for (const auto& [day, factor] : {std::pair{1, 30.0}, {7, 30.0 / 7}, {28, 30.0 / 28}, {30, 1.0}, {31, 1.0}}) {
    EXPECT_EQ(PrognosisFactorFor(day, false), factor) << day;
    EXPECT_EQ(PrognosisFactorFor(day, true), 1.0) << day;
  }
}

}  // namespace
}  // namespace sirvane
