// Cost of ordering users and hosts. The reference in each pair is a plain
// std::sort of the same values, descending, so the ratio says what
// reproducing the exchange sort's tie order costs over an ordinary sort.
#include "usage/exchange_order.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

namespace {

// Traffic-like values: a heavy head of equal small values (about half are 1,
// a sixth 2, ...) and a long tail of rarer large ones, in random order.
std::vector<std::int64_t> HeavyTies(std::size_t count) {
  std::mt19937_64 random(1);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  std::vector<std::int64_t> values(count);
  for (std::int64_t& value : values) {
    const double u = 1.0 - uniform(random);  // (0, 1]
    value = static_cast<std::int64_t>(std::min(1.0 / u, 1e15));
  }
  return values;
}

std::vector<std::int64_t> Distinct(std::size_t count) {
  std::vector<std::int64_t> values(count);
  std::iota(values.begin(), values.end(), std::int64_t{1});
  std::shuffle(values.begin(), values.end(), std::mt19937_64(2));
  return values;
}

std::vector<std::int64_t> AlreadyDescending(std::size_t count) {
  std::vector<std::int64_t> values = HeavyTies(count);
  std::sort(values.begin(), values.end(), std::greater<>());
  return values;
}

void ExchangeOrder(benchmark::State& state, std::vector<std::int64_t> (*make)(std::size_t)) {
  const std::vector<std::int64_t> values = make(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::vector<std::uint32_t> order = sirvane::ExchangeSortOrder(values);
    benchmark::DoNotOptimize(order.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void PlainSortReference(benchmark::State& state, std::vector<std::int64_t> (*make)(std::size_t)) {
  const std::vector<std::int64_t> values = make(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::vector<std::pair<std::int64_t, std::uint32_t>> pairs(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      pairs[i] = {values[i], static_cast<std::uint32_t>(i)};
    }
    std::sort(pairs.begin(), pairs.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::uint32_t> order(pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) order[i] = pairs[i].second;
    benchmark::DoNotOptimize(order.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK_CAPTURE(ExchangeOrder, heavy_ties, HeavyTies)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PlainSortReference, heavy_ties, HeavyTies)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExchangeOrder, distinct, Distinct)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PlainSortReference, distinct, Distinct)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExchangeOrder, already_descending, AlreadyDescending)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PlainSortReference, already_descending, AlreadyDescending)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
