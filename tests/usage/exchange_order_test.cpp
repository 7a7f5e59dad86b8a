// The computed order against the exchange sort itself, with equal values
// placed where the shortcuts for them matter: none, only among the largest,
// only among the smallest, everywhere.
#include "usage/exchange_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace sirvane {
namespace {

// Original indexes in the order the quadratic exchange sort leaves them.
std::vector<std::uint32_t> LiteralOrder(const std::vector<std::int64_t>& values) {
  std::vector<std::pair<std::int64_t, std::uint32_t>> items;
  for (std::uint32_t i = 0; i < values.size(); ++i) items.emplace_back(values[i], i);
  for (std::size_t i = 0; i + 1 < items.size(); ++i) {
    for (std::size_t k = i; k < items.size(); ++k) {
      if (items[k].first > items[i].first) std::swap(items[i], items[k]);
    }
  }
  std::vector<std::uint32_t> order;
  for (const auto& item : items) order.push_back(item.second);
  return order;
}

struct Shape {
  const char* name;
  std::int64_t (*value)(std::mt19937_64& rng, std::size_t i, std::size_t count);
};

const Shape kShapes[] = {
    {"all distinct", [](std::mt19937_64&, std::size_t i, std::size_t count) {
       return static_cast<std::int64_t>((i * 7919) % (count + 1)) * 1000 + static_cast<std::int64_t>(i % 3);
     }},
    {"ties among the largest only", [](std::mt19937_64& rng, std::size_t i, std::size_t) {
       return rng() % 4 == 0 ? std::int64_t{1} << 40 : static_cast<std::int64_t>(i) * 3 + 1;
     }},
    {"ties among the smallest only", [](std::mt19937_64& rng, std::size_t i, std::size_t) {
       return rng() % 3 == 0 ? std::int64_t{0} : std::int64_t{1000} + static_cast<std::int64_t>(i);
     }},
    {"ties in the middle only", [](std::mt19937_64& rng, std::size_t i, std::size_t) {
       return rng() % 3 == 0 ? std::int64_t{50000} : static_cast<std::int64_t>(i) * 101;
     }},
    {"few values", [](std::mt19937_64& rng, std::size_t, std::size_t) { return static_cast<std::int64_t>(rng() % 5) - 2; }},
    {"all equal", [](std::mt19937_64&, std::size_t, std::size_t) { return std::int64_t{7}; }},
};

TEST(ExchangeOrderTest, MatchesTheExchangeSortWhereverEqualValuesLie) {
  std::mt19937_64 rng(11);
  for (const Shape& shape : kShapes) {
    // Below and above the size where the indexes are radix sorted.
    for (std::size_t count : {2u, 9u, 255u, 256u, 1500u}) {
      std::vector<std::int64_t> values;
      for (std::size_t i = 0; i < count; ++i) values.push_back(shape.value(rng, i, count));
      EXPECT_EQ(ExchangeSortOrder(values), LiteralOrder(values)) << shape.name << ", " << count << " values";
    }
  }
}

}  // namespace
}  // namespace sirvane
