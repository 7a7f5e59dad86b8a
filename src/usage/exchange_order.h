#pragma once
// Users and hosts are ordered by a descending exchange sort whose handling of
// equal values is part of the visible result: equal records are never
// exchanged with each other, yet a larger record can carry one past another.
// Running that quadratic sort on a million users is out of the question, so
// this computes the order it produces in O(n log n).
#include <cstdint>
#include <span>
#include <vector>

namespace sirvane {

// The order in which a descending exchange sort with a strict comparison
// leaves the elements: result[j] is the original index of the element that
// ends at position j.
//
// The sort being reproduced (0-based):
//   for i in 0..n-2: for k in i..n-1: if v[k] > v[i]: swap(v[i], v[k])
// It is not stable: values 5, 1, 5, 9 end as 9, 5 (index 2), 5 (index 0), 1.
std::vector<std::uint32_t> ExchangeSortOrder(std::span<const std::int64_t> values);

}  // namespace sirvane
