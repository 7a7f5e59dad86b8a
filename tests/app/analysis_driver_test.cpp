#include "app/analysis_driver.h"
#include "app/run.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sirvane {
namespace {

TEST(DirectoryPrefixTest, KeepsEachSeparatorAndDropsTheMask) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"c:\\logs\\*.log", "c:\\logs\\"},
      {"c:\\logs\\access.log", "c:\\logs\\"},
      {"\\\\server\\share\\*.log", "\\\\server\\share\\"},
      {"\\logs\\*.log", "\\logs\\"},
      {"c:\\\\logs\\*.log", "c:\\logs\\"},
      {"access*.log", ""},
      {"/var/log/squid/access*.log", "/var/log/squid/"},
      {"c:/logs/*.log", "c:/logs/"},
      {"///srv//logs/*.log", "//srv/logs/"},
      {"logs/", "logs/"},
      {"", ""},
  };
  for (const auto& [input, prefix] : cases) EXPECT_EQ(DirectoryPrefix(input), prefix) << input;
}

TEST(PrognosisFactorTest, ProjectsToThirtyDays) {
  const std::vector<std::pair<int, double>> cases = {
      {1, 30.0}, {2, 15.0}, {7, 4.285714285714286}, {15, 2.0}, {28, 1.0714285714285714},
      {29, 1.0344827586206897}, {30, 1.0}, {31, 1.0}};
  for (const auto& [day, factor] : cases) {
    EXPECT_DOUBLE_EQ(PrognosisFactorFor(day, false), factor) << day;
    EXPECT_EQ(PrognosisFactorFor(day, true), 1.0) << day;
  }
  EXPECT_EQ(PrognosisFactorFor(28, false), 30.0 / 28.0);
}

TEST(FormatTimeOfDayTest, RoundsToTheMillisecondAndDropsIt) {
  const LocaleFormats h24 = LocaleFormats::Picture("dd.MM.yyyy", "H:mm:ss");
  auto at = [](int h, int m, int s, double ms) { return ((h * 60.0 + m) * 60.0 + s + ms / 1000.0) / 86400.0; };
  EXPECT_EQ(FormatTimeOfDay(at(14, 2, 11, 0), h24), "14:02:11");
  EXPECT_EQ(FormatTimeOfDay(at(14, 2, 11, 999.6), h24), "14:02:12");  // 999.6 ms rounds up
  EXPECT_EQ(FormatTimeOfDay(at(14, 2, 11, 999.4), h24), "14:02:11");
  EXPECT_EQ(FormatTimeOfDay(at(0, 0, 4, 0), h24), "0:00:04");
  // A run past midnight shows the magnitude of the negative difference.
  EXPECT_EQ(FormatTimeOfDay(std::fabs(at(0, 0, 10, 0) - at(23, 59, 50, 0)), h24), "23:59:40");
}

}  // namespace
}  // namespace sirvane
