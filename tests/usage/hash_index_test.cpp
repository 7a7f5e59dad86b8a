#include "usage/hash_index.h"

#include <gtest/gtest.h>

#include <string>

namespace sirvane {
namespace {

// The model in usage_tables_test compares keys only when their hashes agree.
// Here: every length through the word, half-word, byte and memcmp cases, a
// difference at each position, and differing bytes past the length, which must not count.
TEST(SameBytesTest, FindsADifferenceAtAnyPositionAndNothingBeyondTheLength) {
  for (std::size_t size = 0; size <= 80; ++size) {
    std::string a(size + 8, 'x');
    for (std::size_t i = 0; i < size; ++i) a[i] = static_cast<char>('a' + i % 26);
    std::string b = a;
    b[size] = 'y';
    EXPECT_TRUE(SameBytes(a.data(), b.data(), size)) << size;
    for (std::size_t i = 0; i < size; ++i) {
      std::string c = a;
      c[i] = static_cast<char>(c[i] ^ 0x20);
      EXPECT_FALSE(SameBytes(a.data(), c.data(), size)) << size << " at " << i;
    }
  }
}

}  // namespace
}  // namespace sirvane
