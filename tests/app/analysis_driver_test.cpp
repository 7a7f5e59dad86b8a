#include "app/analysis_driver.h"
#include "app/run.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST(FormatTimeOfDayTest, RoundsToTheMillisecondAndDropsIt) {
  const LocaleFormats h24 = LocaleFormats::Picture("dd.MM.yyyy", "H:mm:ss");
  auto at = [](int h, int m, int s, double ms) { return ((h * 60.0 + m) * 60.0 + s + ms / 1000.0) / 86400.0; };
  EXPECT_EQ(FormatTimeOfDay(at(14, 2, 11, 999.6), h24), "14:02:12");  // 999.6 ms rounds up
  EXPECT_EQ(FormatTimeOfDay(at(14, 2, 11, 999.4), h24), "14:02:11");
  // A run past midnight shows the magnitude of the negative difference.
  EXPECT_EQ(FormatTimeOfDay(std::fabs(at(0, 0, 10, 0) - at(23, 59, 50, 0)), h24), "23:59:40");
}

}  // namespace
}  // namespace sirvane
