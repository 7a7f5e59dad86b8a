#include "report/numbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace sirvane {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t k2To62 = std::int64_t{1} << 62;

TEST(KiloBytesTest, RoundsToNearestWithTiesToEven) {
  struct Case {
    std::int64_t bytes;
    std::int64_t kilobytes;
  };
  const Case cases[] = {
      {0, 0},
      {511, 0},
      {512, 0},  // 0.5: tie, to even
      {513, 1},
      {1535, 1},
      {1536, 2},  // 1.5: tie, to even
      {2560, 2},  // 2.5: tie, to even
      {3000, 3},
      {12000000, 11719},  // 11718.75
      {8000000, 7812},    // 7812.5: tie, to even
      {-1536, -2},
      {-2560, -2},
      {kMax, 9007199254740992},  // 2^53 - 1/1024, not truncated
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KiloBytes(c.bytes), c.kilobytes) << c.bytes;
  }
}

TEST(ProjectTest, MultipliesAndRoundsOnceWithTiesToEven) {
  struct Case {
    std::int64_t value;
    double factor;
    std::int64_t projected;
  };
  const Case cases[] = {
      {12000000, 2.5, 30000000},
      {3, 2.5, 8},  // 7.5: tie, to even (up)
      {5, 2.5, 12},  // 12.5: tie, to even (down)
      {19534, 2.5, 48835},
      {0, 30.0, 0},
      {1000, 1.0, 1000},
      // 2^62 + 12345 has more bits than a double holds: the product must be
      // formed with a 64-bit significand (a double product gives ...785920).
      {k2To62 + 12345, 30.0 / 28.0, 4941092162600785835},
      {k2To62 - 1, 2.0, kMax - 1},
      // Beyond the 64-bit range the result saturates instead of wrapping.
      {k2To62, 2.0, kMax},
      {kMax, 30.0, kMax},
      {kMin, 30.0, kMin},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Project(c.value, c.factor), c.projected) << c.value << " x " << c.factor;
  }
}

TEST(ProjectKiloBytesTest, RoundsTheUnroundedProductOnce) {
  struct Case {
    std::int64_t bytes;
    double factor;
    std::int64_t kilobytes;
  };
  const Case cases[] = {
      {12000000, 2.5, 29297},  // 29296.875
      {8000000, 2.5, 19531},   // 19531.25
      {3000, 1.0, 3},
      // 512.5 bytes are 0.5005 K and round up; rounding the bytes first
      // (to 512, even) and then dividing would give the tie 0.5 and so 0.
      {1, 512.5, 1},
      {kMax, 30.0, 270215977642229760},  // the product exceeds 64 bits, the result does not
      {kMax, 2000.0, kMax},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProjectKiloBytes(c.bytes, c.factor), c.kilobytes) << c.bytes << " x " << c.factor;
  }
}

}  // namespace
}  // namespace sirvane
