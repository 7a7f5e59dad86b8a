#include "usage/read_progress.h"

#include <gtest/gtest.h>

namespace sirvane {
namespace {

TEST(ReadProgressTest, FormatsFiguresAndFitsTheTerminal) {
  constexpr std::uint64_t kMiB = 1 << 20;
  const std::vector<std::tuple<ReadProgress, std::size_t, std::string>> cases = {  // progress, width, line
      // Too early for a rate.
      {{"access.log", kMiB, 719 * kMiB, 7000, 0.05}, 80, "access.log: 1.0 MiB of 719.0 MiB (0%)"},
      {{"access.log", 120 * kMiB, 719 * kMiB, 873'000, 0.667}, 80,
       "access.log: 120.0 MiB of 719.0 MiB (16%), 1.31M lines/s, 0:04 left"},
      {{"a.log", 1, 7200, 999'499, 1.0}, 80, "a.log: 1 B of 7.0 KiB (0%), 999k lines/s, 1:59:59 left"},
      {{"a.log", 1, 1 << 30, 999'500, 1.0}, 80, "a.log: 1 B of 1.0 GiB (0%), 1.00M lines/s, >99h left"},
      // A file that grew while read, or of unknown size: no total, no time left.
      {{"a.log", 2048, 1024, 3, 1.0}, 80, "a.log: 2.0 KiB, 3 lines/s"},
      // Narrow terminals: the name gives way first, then the end of the line.
      {{"access-2026-12.log", 512, 1024, 0, 0.0}, 35, "...-12.log: 512 B of 1.0 KiB (50%)"},
      {{"access-2026-12.log", 512, 1024, 0, 0.0}, 20, "access-2026-12.log:"},
  };
  for (const auto& [progress, width, expected] : cases) {
    const std::string line = FormatProgressLine(progress, width);
    EXPECT_EQ(line, expected) << progress.bytes_read << " of " << progress.file_size << " width " << width;
    EXPECT_LT(line.size(), std::max<std::size_t>(width, 1));
  }
}

}  // namespace
}  // namespace sirvane
