#include "usage/exchange_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace sirvane {
namespace {

// The quadratic exchange sort itself, on (value, original index) pairs: the
// reference the fast order must match element for element.
std::vector<std::uint32_t> LiteralExchangeSort(const std::vector<std::int64_t>& values) {
  std::vector<std::pair<std::int64_t, std::uint32_t>> slots;
  for (std::size_t i = 0; i < values.size(); ++i) {
    slots.emplace_back(values[i], static_cast<std::uint32_t>(i));
  }
  for (std::size_t i = 0; i + 1 < slots.size(); ++i) {
    for (std::size_t k = i; k < slots.size(); ++k) {
      if (slots[k].first > slots[i].first) std::swap(slots[i], slots[k]);
    }
  }
  std::vector<std::uint32_t> order;
  for (const auto& slot : slots) order.push_back(slot.second);
  return order;
}

std::string Describe(const std::vector<std::int64_t>& values) {
  std::string text;
  for (std::int64_t value : values) text += std::to_string(value) + " ";
  return text;
}

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

TEST(ExchangeSortOrderTest, KnownOrders) {
  struct Case {
    std::vector<std::int64_t> values;
    std::vector<std::uint32_t> order;
  };
  const Case cases[] = {
      {{}, {}},
      {{7}, {0}},
      // The larger value at the end carries the first 5 past the second.
      {{5, 1, 5, 9}, {3, 2, 0, 1}},
      {{5, 5, 5}, {0, 1, 2}},
      {{3, 5, 5}, {1, 2, 0}},
      {{9, 5, 5, 1}, {0, 1, 2, 3}},  // already in order
      {{1, 2}, {1, 0}},
      {{kMin, kMax, -1, 0}, {1, 3, 2, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExchangeSortOrder(c.values), c.order) << Describe(c.values);
  }
}

TEST(ExchangeSortOrderTest, MatchesLiteralSortOnSmallInputsWithHeavyTies) {
  std::mt19937_64 random(20240611);
  const std::vector<std::int64_t> extremes = {kMin, kMin + 1, -1, 0, 1, kMax - 1, kMax};
  for (int round = 0; round < 20000; ++round) {
    const std::size_t size = random() % 41;
    const int kind = static_cast<int>(random() % 3);
    const std::int64_t range = 1 + static_cast<std::int64_t>(random() % 5);
    std::vector<std::int64_t> values(size);
    for (std::int64_t& value : values) {
      const auto draw = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(range + 1));
      if (kind == 0) value = draw;                                      // 0..range
      else if (kind == 1) value = draw - range / 2;                     // around zero
      else value = extremes[random() % extremes.size()];                // 64-bit edges
    }
    const auto expected = LiteralExchangeSort(values);
    const auto actual = ExchangeSortOrder(values);
    ASSERT_EQ(actual, expected) << Describe(values);
  }
}

TEST(ExchangeSortOrderTest, MatchesLiteralSortOnLargerInputs) {
  std::mt19937_64 random(77);
  for (int round = 0; round < 6; ++round) {
    std::vector<std::int64_t> values(2000);
    for (std::size_t i = 0; i < values.size(); ++i) {
      switch (round % 3) {
        case 0:  // many equal small values, a few large ones in between
          values[i] = random() % 16 == 0 ? static_cast<std::int64_t>(random() % 1000)
                                         : static_cast<std::int64_t>(random() % 3);
          break;
        case 1:  // mostly distinct
          values[i] = static_cast<std::int64_t>(random() % 1000000);
          break;
        default:  // nearly descending with ties: few exchanges, long groups
          values[i] = static_cast<std::int64_t>((values.size() - i) / 50 + random() % 2);
          break;
      }
    }
    ASSERT_EQ(ExchangeSortOrder(values), LiteralExchangeSort(values)) << "round " << round;
  }
}

}  // namespace
}  // namespace sirvane
