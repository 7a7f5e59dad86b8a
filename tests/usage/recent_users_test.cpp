#include "usage/recent_users.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "usage/text_ends.h"

namespace sirvane {
namespace {

// Two texts of one size that differ in any one byte have different ends:
// every byte of 1 to 16 is covered by one of the two words.
TEST(TextEndsTest, EveryByteOfTheTextIsHeld) {
  for (std::size_t size = 1; size <= kMaxEndsSize; ++size) {
    const std::string text(size, 'a');
    const TextEnds ends = EndsOf(text);
    for (std::size_t i = 0; i < size; ++i) {
      std::string changed = text;
      changed[i] = 'b';
      const TextEnds other = EndsOf(changed);
      EXPECT_TRUE(other.head != ends.head || other.tail != ends.tail) << "size " << size << ", byte " << i;
    }
  }
}

// A name is only ever answered with its own user; names the cache cannot
// hold (empty, longer than 16 bytes) are not answered at all.
TEST(RecentUsersTest, AnswersOnlyTheNameItself) {
  RecentUsers recent;
  const std::map<std::string, std::uint32_t> kept = {
      {"a", 1}, {"ab", 2}, {"abc", 3}, {"abcd", 4}, {"alice", 5}, {"bob.smith", 6}, {"0123456789abcdef", 7}};
  for (const auto& [name, position] : kept) recent.Keep(name, position);
  for (const auto& [name, position] : kept) EXPECT_EQ(recent.Find(name), position) << name;
  for (const char* other : {"aa", "aaa", "b", "ba", "abd", "abce", "alicf", "Alice", "bob.smitH", "0123456789abcdeF",
                            "abcde", "0123456789abcde"}) {
    EXPECT_EQ(recent.Find(other), RecentUsers::kNone) << other;
  }
  // Thousands of names of the size of "alice": some share its entry, and
  // none may be answered with its position.
  for (int i = 0; i < 20000; ++i) {
    const std::string other = std::to_string(100000 + i).substr(1);  // "00000" to "19999"
    EXPECT_EQ(recent.Find(other), RecentUsers::kNone) << other;
  }
  recent.Keep("", 8);
  recent.Keep("0123456789abcdefg", 9);
  EXPECT_EQ(recent.Find(""), RecentUsers::kNone);
  EXPECT_EQ(recent.Find("0123456789abcdefg"), RecentUsers::kNone);
  recent.Keep("alice", 10);  // a name kept again takes its new position
  EXPECT_EQ(recent.Find("alice"), 10u);
}

}  // namespace
}  // namespace sirvane
