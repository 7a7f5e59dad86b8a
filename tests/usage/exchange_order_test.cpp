#include "usage/exchange_order.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace sirvane {
namespace {

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

// The quadratic exchange sort itself, on (value, original index) pairs: the
// reference the fast order must match element for element.
std::vector<std::uint32_t> LiteralExchangeSort(const std::vector<std::int64_t>& values) {
  std::vector<std::pair<std::int64_t, std::uint32_t>> slots;
  for (std::size_t i = 0; i < values.size(); ++i) slots.emplace_back(values[i], static_cast<std::uint32_t>(i));
  for (std::size_t i = 0; i + 1 < slots.size(); ++i) {
    for (std::size_t k = i; k < slots.size(); ++k) {
      if (slots[k].first > slots[i].first) std::swap(slots[i], slots[k]);
    }
  }
  std::vector<std::uint32_t> order;
  for (const auto& slot : slots) order.push_back(slot.second);
  return order;
}

TEST(ExchangeSortOrderTest, MatchesTheLiteralSortOnRandomInputsWithHeavyTies) {
  std::mt19937_64 random(20240611);
  const std::vector<std::int64_t> extremes = {kMin, kMin + 1, -1, 0, 1, kMax - 1, kMax};
  for (int round = 0; round < 20000; ++round) {
    // Mostly small inputs over tiny ranges; now and then a long one with
    // a few large values among many equal small ones.
    const bool long_input = round % 2000 == 0;
    const std::size_t size = long_input ? 2000 : random() % 41;
    const int kind = static_cast<int>(random() % 3);
    const auto range = static_cast<std::int64_t>(1 + random() % 5);
    std::vector<std::int64_t> values(size);
    for (std::int64_t& value : values) {
      const auto draw = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(range + 1));
      if (long_input) value = random() % 16 == 0 ? static_cast<std::int64_t>(random() % 1000) : draw;
      else if (kind == 0) value = draw;
      else if (kind == 1) value = draw - range / 2;
      else value = extremes[random() % extremes.size()];
    }
    ASSERT_EQ(ExchangeSortOrder(values), LiteralExchangeSort(values)) << "round " << round;
  }
}

// Inputs of a few hundred elements and more are grouped by a radix sort on
// the value's bytes: values that differ in any byte, signs and extremes
// included, with ties among them.
TEST(ExchangeSortOrderTest, MatchesTheLiteralSortOnLongInputsOverEveryByte) {
  std::mt19937_64 random(20261207);
  const std::vector<std::int64_t> extremes = {kMin, kMin + 1, -1, 0, 1, kMax - 1, kMax};
  for (int round = 0; round < 24; ++round) {
    const std::size_t size = 255 + random() % 1800;
    const int shift = static_cast<int>(random() % 57);  // where the differing bits lie
    std::vector<std::int64_t> pool;
    for (int i = 0; i < 1 + round * 40; ++i) {
      std::int64_t value = static_cast<std::int64_t>((random() % 256) << shift);
      if (round % 3 == 1) value = static_cast<std::int64_t>(random());  // any 64 bits, negatives too
      if (round % 3 == 2 && random() % 4 == 0) value = extremes[random() % extremes.size()];
      pool.push_back(value);
    }
    std::vector<std::int64_t> values(size);
    for (std::int64_t& value : values) value = pool[random() % pool.size()];
    ASSERT_EQ(ExchangeSortOrder(values), LiteralExchangeSort(values)) << "round " << round;
  }
}

}  // namespace
}  // namespace sirvane
