#include "usage/hash_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

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

// The list a HostIndex must hold: ids in first-seen order with their sums.
using HostModel = std::vector<std::pair<std::uint32_t, std::int64_t>>;

// Adds as the usage tables do: the found entry, else the free slot, else Insert.
void Add(HostIndex& index, HostModel& model, std::uint32_t id, std::int64_t bytes) {
  HostIndex::Entry* entry = index.FindOrFree(id);
  if (entry != nullptr && entry->id == id) {
    entry->traffic += bytes;
  } else if (entry == nullptr || !index.InsertAt(*entry, id, bytes)) {
    if (index.finished()) {
      index.Reopen();
      Add(index, model, id, bytes);
      return;
    }
    index.Insert(id, index.size(), bytes);
  }
  for (auto& [known, sum] : model) {
    if (known == id) {
      sum += bytes;
      return;
    }
  }
  model.emplace_back(id, bytes);
}

HostModel Listed(const HostIndex& index) {
  HostModel listed;
  for (const HostIndex::Entry& entry : index) listed.emplace_back(entry.id, entry.traffic);
  return listed;
}

// Users with none, one (held inline), a few and thousands of hosts, finished
// and reopened at random points, moved in between: the finished list is
// always the model, in first-seen order.
TEST(HostIndexTest, FinishedListIsFirstSeenOrderThroughGrowthReopeningAndMoves) {
  std::mt19937 rng(7);
  for (const std::uint32_t distinct : {0u, 1u, 2u, 3u, 5u, 40u, 3000u}) {
    for (int round = 0; round < 4; ++round) {
      SCOPED_TRACE(testing::Message() << distinct << " hosts, round " << round);
      HostIndex index;
      HostModel model;
      std::uniform_int_distribution<std::uint32_t> pick(0, distinct == 0 ? 0 : distinct - 1);
      const int adds = distinct == 0 ? 0 : static_cast<int>(distinct) * 3;
      for (int i = 0; i < adds; ++i) {
        Add(index, model, pick(rng) * 7919u, static_cast<std::int64_t>(rng() % 1000));
        if (rng() % 50 == 0) {
          index.Finish();
          ASSERT_EQ(Listed(index), model);
        }
        if (rng() % 40 == 0) {
          HostIndex moved(std::move(index));
          index = std::move(moved);
        }
      }
      index.Finish();
      ASSERT_EQ(index.size(), model.size());
      EXPECT_EQ(Listed(index), model);
      index.Finish();  // finishing twice changes nothing
      EXPECT_EQ(Listed(index), model);
    }
  }
}

// Addresses: the same against a plain list, with runs of repeats.
TEST(AddressListTest, KeepsDistinctIdsInFirstSeenOrderPastTheInlineOne) {
  std::mt19937 rng(11);
  for (const std::uint32_t distinct : {1u, 2u, 3u, 100u, 5000u}) {
    AddressList list;
    std::vector<std::uint32_t> model;
    std::uniform_int_distribution<std::uint32_t> pick(0, distinct - 1);
    for (std::uint32_t i = 0; i < distinct * 4; ++i) {
      const std::uint32_t id = pick(rng) * 31u;
      const bool is_new = std::find(model.begin(), model.end(), id) == model.end();
      ASSERT_EQ(list.Add(id), is_new) << id;
      if (is_new) model.push_back(id);
    }
    ASSERT_EQ(list.size(), model.size());
    for (std::size_t j = 0; j < model.size(); ++j) EXPECT_EQ(list[j], model[j]) << j;
  }
  EXPECT_EQ(AddressList().size(), 0u);
}

}  // namespace
}  // namespace sirvane
