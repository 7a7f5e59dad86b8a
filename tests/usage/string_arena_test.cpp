#include "usage/string_arena.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sirvane {
namespace {

// Lengths around the one-byte header's limit and past a block's size read back
// whole after their arena was adopted and the arena they came from is gone.
TEST(StringArenaTest, CountedStringsReadBackAfterAdoption) {
  const std::vector<std::size_t> sizes = {0, 1, 7, 254, 255, 256, 70000, 300000};
  StringArena keeper;
  std::vector<CountedString> kept;
  std::vector<std::string> texts;
  {
    StringArena first;
    for (std::size_t size : sizes) {
      std::string text(size, static_cast<char>('a' + size % 26));
      if (size > 0) text.back() = 'Z';  // a lost last byte shows
      texts.push_back(text);
      kept.push_back(first.CopyCounted(texts.back()));
    }
    keeper.Adopt(first);
  }
  for (std::size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(kept[i].view(), texts[i]) << "string " << i;
}

}  // namespace
}  // namespace sirvane
