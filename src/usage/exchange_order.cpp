#include "usage/exchange_order.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <functional>
#include <limits>
#include <numeric>
#include <stdexcept>

namespace sirvane {

// How the exchange sort treats equal values, and why this reproduces it.
//
// The elements equal to a value v are only ever moved by exchanges with
// larger elements, so their final relative order depends only on the
// subsequence of elements >= v in original order. Walking that subsequence,
// the equal elements behave like a queue: each one joins at the back, and
// every larger element passed after the first of them moves the queue's
// front to its back. The sorted result is the groups of equal values in
// descending order, each group in its final queue order, front first.
//
// A queue of s elements whose front is rotated c times is the same circular
// arrangement with its front index advanced by (c mod s). Joining at the
// back is inserting at the front index of the linear arrangement and then
// stepping the front past the newcomer. So per group we need, for each
// member, the number of larger elements since the previous member (a count
// over original positions of the groups already handled), and then the
// outcome of m "insert at index f_j" operations, built back to front: the
// last insert keeps its index, and each earlier one takes the (f_j + 1)-th
// slot that later inserts left free.

namespace {

// Marked positions, 0-based, answered as counts below a position. One bit
// per position plus a Fenwick tree over 64-bit words keeps the tree small
// enough to stay in cache for millions of positions.
class PositionCounter {
 public:
  explicit PositionCounter(std::size_t size)
      : bits_(size / 64 + 1, 0), word_tree_(size / 64 + 2, 0) {}

  void Mark(std::size_t position) {
    const std::size_t word = position / 64;
    bits_[word] |= std::uint64_t{1} << (position % 64);
    for (std::size_t i = word + 1; i < word_tree_.size(); i += i & (~i + 1)) ++word_tree_[i];
  }

  // Marked positions strictly below `end`.
  std::uint32_t CountBelow(std::size_t end) const {
    const std::size_t word = end / 64;
    const std::uint64_t below = (std::uint64_t{1} << (end % 64)) - 1;
    std::uint32_t count = static_cast<std::uint32_t>(std::popcount(bits_[word] & below));
    for (std::size_t i = word; i > 0; i -= i & (~i + 1)) count += word_tree_[i];
    return count;
  }

 private:
  std::vector<std::uint64_t> bits_;
  std::vector<std::uint32_t> word_tree_;  // node i covers whole words before i
};

// Free slots 0..size-1 of one group's arrangement, as a Fenwick tree of
// counts. Sized once for the largest possible group and reset for each
// group, so that a run with many groups does not allocate per group.
class FreeSlots {
 public:
  explicit FreeSlots(std::size_t capacity) : tree_(capacity + 1) {}

  // Marks slots 0..size-1 free; size is at most the capacity. A tree of all ones holds at node i the
  // length of the range it covers, its lowest set bit.
  void Reset(std::size_t size) {
    size_ = size;
    for (std::size_t i = 1; i <= size; ++i) tree_[i] = static_cast<std::uint32_t>(i & (~i + 1));
    top_step_ = std::size_t{1};
    while (top_step_ * 2 <= size) top_step_ *= 2;
  }

  // Takes the rank-th free slot (rank counts from 1) and returns its index.
  // The descent passes exactly the nodes that cover the chosen slot whenever
  // it does not step right, so they are decremented on the way down.
  std::size_t Take(std::size_t rank) {
    std::size_t position = 0;
    for (std::size_t step = top_step_; step > 0; step /= 2) {
      const std::size_t node = position + step;
      if (node > size_) continue;
      // Branch-free: which way the descent goes is close to a coin toss.
      const std::uint32_t free_below = tree_[node];
      const bool go_right = free_below < rank;
      position += go_right ? step : 0;
      rank -= go_right ? free_below : 0;
      tree_[node] = free_below - (go_right ? 0 : 1);
    }
    return position;  // 1-based node `position + 1` is the slot
  }

 private:
  std::vector<std::uint32_t> tree_;
  std::size_t size_ = 0;
  std::size_t top_step_ = 1;
};

// The indexes of `values` by descending value, equal values in original
// order: the groups of equal values, largest first. Indexes are sorted, not
// (value, index) pairs: with a million users that is 8 MB of arrays instead
// of 32, at the moment the ordering is the run's largest user of memory. A
// least-significant-digit radix sort on the value's bytes is stable and
// costs a few passes where a comparison sort needs some twenty comparisons an
// element; bytes equal in every element (the high ones, mostly) are skipped.
std::vector<std::uint32_t> IndexesDescendingKeepingOrder(std::span<const std::int64_t> values) {
  const std::size_t count = values.size();
  std::vector<std::uint32_t> indexes(count);
  std::iota(indexes.begin(), indexes.end(), std::uint32_t{0});
  if (count < 256) {
    std::stable_sort(indexes.begin(), indexes.end(),
                     [values](std::uint32_t a, std::uint32_t b) { return values[a] > values[b]; });
    return indexes;
  }
  // Ascending order of the key is descending order of the value.
  auto key = [values](std::uint32_t index) {
    return ~(static_cast<std::uint64_t>(values[index]) ^ (std::uint64_t{1} << 63));
  };
  std::vector<std::array<std::uint32_t, 256>> counts(8);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t k = key(i);
    for (int digit = 0; digit < 8; ++digit) ++counts[digit][(k >> (8 * digit)) & 255];
  }
  std::vector<std::uint32_t> scratch(count);
  std::uint32_t* from = indexes.data();
  std::uint32_t* to = scratch.data();
  for (int digit = 0; digit < 8; ++digit) {
    std::array<std::uint32_t, 256>& offsets = counts[digit];
    const int shift = 8 * digit;
    if (offsets[(key(0) >> shift) & 255] == count) continue;  // one byte value in all
    std::uint32_t sum = 0;
    for (std::uint32_t& offset : offsets) {
      const std::uint32_t here = offset;
      offset = sum;
      sum += here;
    }
    for (std::size_t i = 0; i < count; ++i) to[offsets[(key(from[i]) >> shift) & 255]++] = from[i];
    std::swap(from, to);
  }
  if (from != indexes.data()) indexes.swap(scratch);
  return indexes;
}

}  // namespace

std::vector<std::uint32_t> ExchangeSortOrder(std::span<const std::int64_t> values) {
  const std::size_t count = values.size();
  if (count > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("too many elements to order (more than 4294967295)");
  }
  // Nothing is exchanged when no later value is larger: common when a run
  // changed nothing since the data was last sorted.
  if (count < 2 || std::is_sorted(values.begin(), values.end(), std::greater<>())) {
    std::vector<std::uint32_t> order(count);
    std::iota(order.begin(), order.end(), std::uint32_t{0});
    return order;
  }

  // Sorted by value, then each group of equal values is put in its final
  // order in place: the result is the sorted array itself.
  std::vector<std::uint32_t> order = IndexesDescendingKeepingOrder(values);
  std::size_t largest_group = 1;
  std::size_t last_tie = 0;  // where the last group of two or more begins
  for (std::size_t begin = 0, end = 1; end <= count; ++end) {
    if (end == count || values[order[end]] != values[order[begin]]) {
      largest_group = std::max(largest_group, end - begin);
      if (end - begin > 1) last_tie = begin;
      begin = end;
    }
  }
  // Without equal values the sorted order is the result. Otherwise only the
  // groups before the last group of equal values need to be counted: no
  // group after it asks.
  if (largest_group == 1) return order;
  PositionCounter larger(count);  // positions of the groups already placed
  std::vector<std::uint32_t> insert_at(largest_group);
  std::vector<std::uint32_t> group(largest_group);  // the group's indexes in original order
  FreeSlots free_slots(largest_group);

  std::size_t placed = 0;
  while (placed <= last_tie) {  // the groups after it are single and in place
    const std::int64_t value = values[order[placed]];
    std::size_t group_end = placed + 1;
    while (group_end < count && values[order[group_end]] == value) ++group_end;
    const std::size_t members = group_end - placed;
    std::uint32_t* const out = order.data() + placed;

    if (members > 1) {
      std::copy(out, out + members, group.begin());
      // Replay the queue: `front` is the linear index of its front element.
      // Larger elements before the first member rotate an empty queue; the
      // larger elements between two members are the difference of the
      // counts below each (the earlier member itself is not marked).
      std::uint64_t size = 0;
      std::uint64_t front = 0;
      std::uint32_t larger_before_previous = 0;
      for (std::size_t j = 0; j < members; ++j) {
        const std::uint32_t larger_before = larger.CountBelow(group[j]);
        if (size > 0) front = (front + (larger_before - larger_before_previous)) % size;
        insert_at[j] = static_cast<std::uint32_t>(front);
        ++size;
        front = front + 1 == size ? 0 : front + 1;
        larger_before_previous = larger_before;
      }
      // Larger elements after the last member rotate the queue too; every
      // larger element is marked, and there are `placed` of them.
      front = (front + (placed - larger_before_previous)) % size;

      // Slot s of the final arrangement goes `front` places earlier, wrapping
      // round, so that the front of the queue comes first.
      free_slots.Reset(members);
      for (std::size_t j = members; j-- > 0;) {
        const std::size_t slot = free_slots.Take(std::size_t{insert_at[j]} + 1);
        out[slot >= front ? slot - front : slot + members - front] = group[j];
      }
    }

    if (group_end <= last_tie) {
      for (std::size_t j = 0; j < members; ++j) larger.Mark(out[j]);
    }
    placed = group_end;
  }
  return order;
}

}  // namespace sirvane
