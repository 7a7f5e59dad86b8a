#include "report/numbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <utility>

namespace sirvane {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t k2To62 = std::int64_t{1} << 62;

TEST(NumbersTest, KiloBytesRoundHalfToEven) {
  const std::pair<std::int64_t, std::int64_t> cases[] = {
      {512, 0}, {513, 1}, {1536, 2}, {2560, 2}, {-2560, -2},
      {(k2To62 >> 1) + 513, (k2To62 >> 11) + 1},  // 2^61 + 513 as a double is 2^61 + 512, a tie in K
      {kMax, 9007199254740992}};                   // 2^53 - 1/1024: not truncated to 2^53 - 1
  for (const auto& [bytes, kilobytes] : cases) EXPECT_EQ(KiloBytes(bytes), kilobytes) << bytes;
}

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
      {Project, k2To62 - 1, 2.0, kMax - 1}, {Project, k2To62, 2.0, kMax},
      {Project, kMax, 30.0, kMax}, {Project, kMin, 30.0, kMin},
      // 512.5 bytes are 0.5005 K; rounding the bytes first would give the tie 0.5 K and so 0.
      {ProjectKiloBytes, 1, 512.5, 1},
      {ProjectKiloBytes, kMax, 30.0, 270215977642229760},  // the product exceeds 64 bits, the result does not
      {ProjectKiloBytes, kMax, 2000.0, kMax},
  };
  for (const Case& c : cases) EXPECT_EQ(c.project(c.value, c.factor), c.expected) << c.value << " x " << c.factor;
}

}  // namespace
}  // namespace sirvane
