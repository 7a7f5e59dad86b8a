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
  const LocaleFormats h12 = LocaleFormats::Picture("dd.MM.yyyy", "hh:mm:ss tt");
  auto at = [](int h, int m, int s, double ms) { return ((h * 60.0 + m) * 60.0 + s + ms / 1000.0) / 86400.0; };
  EXPECT_EQ(FormatTimeOfDay(at(14, 2, 11, 0), h24), "14:02:11");
  EXPECT_EQ(FormatTimeOfDay(at(14, 2, 11, 999.6), h24), "14:02:12");  // 999.6 ms rounds up
  EXPECT_EQ(FormatTimeOfDay(at(14, 2, 11, 999.4), h24), "14:02:11");
  EXPECT_EQ(FormatTimeOfDay(at(0, 0, 4, 0), h24), "0:00:04");
  EXPECT_EQ(FormatTimeOfDay(at(0, 0, 4, 0), h12), "12:00:04 AM");
  // A run past midnight shows the magnitude of the negative difference.
  EXPECT_EQ(FormatTimeOfDay(std::fabs(at(0, 0, 10, 0) - at(23, 59, 50, 0)), h24), "23:59:40");
}

}  // namespace
}  // namespace sirvane

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "support/temp_dir.h"

namespace sirvane {
namespace {

// A 3 GiB log: a size whose low 32 bits read as negative, which must not make
// the file look unreadable. It is sparse, with a line end every MiB and one
// real line at the end.
TEST(AnalyzeLogsTest, ReadsLogFilesOfEverySize) {
#ifdef _WIN32
  GTEST_SKIP() << "needs a sparse file made with pwrite; on Windows it would take 3 GiB of disk";
#else
  testing::TempDir dir;
  testing::ChangeDirectory cd(dir.path());
  const std::string path = dir.File("big.log");
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  constexpr off_t kMiB = 1 << 20;
  constexpr off_t kSize = 3072 * kMiB;
  for (off_t offset = kMiB - 1; offset < kSize; offset += kMiB) {
    ASSERT_EQ(::pwrite(fd, "\n", 1, offset), 1);
  }
  const std::string line = "alice 1 2 3 4 5 http://big.example/ 8 9 4096\n";
  ASSERT_EQ(::pwrite(fd, line.data(), line.size(), kSize), static_cast<ssize_t>(line.size()));
  ::close(fd);
  testing::WriteFile(dir.File("sirvane.cfg"), "inputpath=big.log\n");

  FixedClock clock(LocalDateTime{2026, 12, 5, 14, 2, 11});
  sirvane::Run run(clock, LocaleFormats::Picture("dd.MM.yyyy", "H:mm:ss"), LowerCase());
  ASSERT_EQ(RunAnalyzer({}, run), 0);
  ASSERT_EQ(run.tables.LogFiles.size(), 1u);
  EXPECT_EQ(run.tables.LogFiles[0].RecordCount, 3073);
  ASSERT_EQ(run.tables.UserCount(), 1);
  EXPECT_EQ(run.tables.Users[0].UserName, "alice");
  EXPECT_EQ(run.tables.Users[0].Traffic, 4096);
  EXPECT_NE(testing::ReadFile("last.log").find("big.log:3073;\r\n"), std::string::npos);
#endif
}

}  // namespace
}  // namespace sirvane
