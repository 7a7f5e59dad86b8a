#include "report/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace sirvane {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t k2To62 = std::int64_t{1} << 62;

// Project and ProjectKiloBytes round the unrounded product once, half to even, and saturate.
TEST(NumbersTest, ProjectionsRoundOnceAndSaturate) {
  struct Case {
    std::int64_t (*project)(std::int64_t, double);
    std::int64_t value;
    double factor;
    std::int64_t expected;
  };
  const Case cases[] = {
      {Project, 3, 2.5, 8}, {Project, 5, 2.5, 12},
      // More bits than a double holds: a double product would give ...785920.
      {Project, k2To62 + 12345, 30.0 / 28.0, 4941092162600785835},
      {Project, k2To62 - 1, 2.0, kMax - 1}, {Project, k2To62, 2.0, kMax}, {Project, kMin, 30.0, kMin},
      // 512.5 bytes are 0.5005 K; rounding the bytes first would give the tie 0.5 K and so 0.
      {ProjectKiloBytes, 1, 512.5, 1}, {ProjectKiloBytes, kMax, 2000.0, kMax},
      {ProjectKiloBytes, kMax, 30.0, 270215977642229760},  // the product exceeds 64 bits, the result does not
  };
  for (const Case& c : cases) EXPECT_EQ(c.project(c.value, c.factor), c.expected) << c.value << " x " << c.factor;
}

// A factor of 1 takes the exact path; other factors still round in extended
// precision. The reference: the quotient and the product by 1 are exact in a
// long double, and nearbyintl rounds half to even.
TEST(NumbersTest, KiloBytesEqualsTheExtendedPrecisionRounding) {
  std::vector<std::int64_t> values = {kMin, kMin + 1, kMax, kMax - 1, 0, 1, -1};
  for (int bit = 1; bit < 63; ++bit) {
    const std::int64_t power = std::int64_t{1} << bit;
    // Around each power of two (2^53 +- 1 among them) and each tie just above it.
    for (std::int64_t base : {power, -power, power + 512, -power - 512, power + 1536, -power + 1536}) {
      for (std::int64_t delta = -3; delta <= 3; ++delta) values.push_back(base + delta);
    }
  }
  // Every remainder near the ties of the first kilobytes, both signs.
  for (std::int64_t v = -4200; v <= 4200; ++v) values.push_back(v);
  for (const std::int64_t bytes : values) {
    const auto reference = static_cast<std::int64_t>(std::nearbyintl(static_cast<long double>(bytes) / 1024.0L));
    ASSERT_EQ(KiloBytes(bytes), reference) << bytes;
    ASSERT_EQ(Project(bytes, 1.0), bytes) << bytes;
    ASSERT_EQ(ProjectKiloBytes(bytes, 1.0), reference) << bytes;
  }
  EXPECT_EQ(ProjectKiloBytes(1536, 1.0 + 1e-15), 2);
  EXPECT_EQ(ProjectKiloBytes(2560, 1.0 + 1e-15), 3);  // just above the tie: not rounded to even
}

}  // namespace
}  // namespace sirvane
