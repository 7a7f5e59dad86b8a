#include "usage/hash_index.h"

#include <gtest/gtest.h>

#include <string>

namespace sirvane {
namespace {

// Every length through the word, half-word, byte and memcmp cases, with a
// difference at every position (and bytes beyond the length that differ,
// which must not count).
TEST(SameBytesTest, FindsADifferenceAtAnyPositionAndNothingBeyondTheLength) {
  for (std::size_t size = 0; size <= 80; ++size) {
    std::string a(size + 8, 'x');
    for (std::size_t i = 0; i < size; ++i) a[i] = static_cast<char>('a' + i % 26);
    std::string b = a;
    b[size] = 'y';  // beyond the length
    EXPECT_TRUE(SameBytes(a.data(), b.data(), size)) << size;
    for (std::size_t i = 0; i < size; ++i) {
      std::string c = a;
      c[i] = static_cast<char>(c[i] ^ 0x20);
      EXPECT_FALSE(SameBytes(a.data(), c.data(), size)) << size << " at " << i;
    }
  }
}

TEST(HashIndexTest, FindsKeysThatDifferOnlyLate) {
  HashIndex index;
  const std::uint64_t seed = 42;
  const std::string keys[] = {"", "a", "ab", "abc", "abcd", "user.name.1", "user.name.2", "cdn.example.com",
                              "cdn.example.con", std::string(70, 'q'), std::string(69, 'q') + "r"};
  std::uint32_t position = 0;
  for (const std::string& key : keys) index.Insert(key, HashBytes(key, seed), position++);
  position = 0;
  for (const std::string& key : keys) EXPECT_EQ(index.Find(key, HashBytes(key, seed)), position++) << key;
  EXPECT_EQ(index.Find("abce", HashBytes("abce", seed)), HashIndex::kNone);
}

}  // namespace
}  // namespace sirvane
