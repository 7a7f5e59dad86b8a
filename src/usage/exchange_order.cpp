#include "usage/exchange_order.h"

#include <algorithm>
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

struct Element {
  std::int64_t value;
  std::uint32_t index;
};

// Counts of marked positions, 0-based, answered as prefix counts.
class PositionCounter {
 public:
  explicit PositionCounter(std::size_t size) : tree_(size + 1, 0) {}

  void Mark(std::size_t position) {
    for (std::size_t i = position + 1; i < tree_.size(); i += i & (~i + 1)) ++tree_[i];
  }

  // Marked positions strictly below `end`.
  std::uint32_t CountBelow(std::size_t end) const {
    std::uint32_t count = 0;
    for (std::size_t i = end; i > 0; i -= i & (~i + 1)) count += tree_[i];
    return count;
  }

 private:
  std::vector<std::uint32_t> tree_;
};

// Free slots 0..size-1 of one group's arrangement; the storage is shared by
// all groups so that a run with many groups does not allocate per group.
class FreeSlots {
 public:
  explicit FreeSlots(std::vector<std::uint32_t>& storage) : tree_(storage) {}

  // Marks slots 0..size-1 free. A tree of all ones holds at node i the
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
      if (tree_[node] < rank) {
        position = node;
        rank -= tree_[node];
      } else {
        --tree_[node];
      }
    }
    return position;  // 1-based node `position + 1` is the slot
  }

 private:
  std::vector<std::uint32_t>& tree_;
  std::size_t size_ = 0;
  std::size_t top_step_ = 1;
};

}  // namespace

std::vector<std::uint32_t> ExchangeSortOrder(std::span<const std::int64_t> values) {
  const std::size_t count = values.size();
  if (count > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("too many elements to order (more than 4294967295)");
  }
  std::vector<std::uint32_t> order(count);
  std::iota(order.begin(), order.end(), std::uint32_t{0});
  // Nothing is exchanged when no later value is larger: common when a run
  // changed nothing since the data was last sorted.
  if (count < 2 || std::is_sorted(values.begin(), values.end(), std::greater<>())) return order;

  std::vector<Element> elements(count);
  for (std::size_t i = 0; i < count; ++i) {
    elements[i] = {values[i], static_cast<std::uint32_t>(i)};
  }
  // Groups of equal values, largest value first, members in original order.
  std::sort(elements.begin(), elements.end(), [](const Element& a, const Element& b) {
    return a.value != b.value ? a.value > b.value : a.index < b.index;
  });

  PositionCounter larger(count);  // positions of the groups already placed
  std::vector<std::uint32_t> insert_at(count);
  std::vector<std::uint32_t> arranged(count);
  std::vector<std::uint32_t> slot_tree(count + 1);
  FreeSlots free_slots(slot_tree);

  std::size_t placed = 0;
  while (placed < count) {
    std::size_t group_end = placed + 1;
    while (group_end < count && elements[group_end].value == elements[placed].value) ++group_end;
    const std::size_t members = group_end - placed;
    const Element* group = elements.data() + placed;

    if (members == 1) {
      order[placed] = group[0].index;
    } else {
      // Replay the queue: `front` is the linear index of its front element.
      // Larger elements before the first member rotate an empty queue, and
      // the member's own position is not yet marked, so the count below a
      // member equals the count below the position just after it.
      std::uint64_t size = 0;
      std::uint64_t front = 0;
      std::uint32_t larger_before_previous = 0;
      for (std::size_t j = 0; j < members; ++j) {
        const std::uint32_t larger_before = larger.CountBelow(group[j].index);
        if (size > 0) front = (front + (larger_before - larger_before_previous)) % size;
        insert_at[j] = static_cast<std::uint32_t>(front);
        ++size;
        front = (front + 1) % size;
        larger_before_previous = larger_before;
      }
      // Larger elements after the last member rotate the queue too; every
      // larger element is marked, and there are `placed` of them.
      front = (front + (placed - larger_before_previous)) % size;

      free_slots.Reset(members);
      for (std::size_t j = members; j-- > 0;) {
        arranged[free_slots.Take(std::size_t{insert_at[j]} + 1)] = group[j].index;
      }
      // The front of the queue comes first.
      const auto begin = arranged.begin();
      const auto middle = begin + static_cast<std::ptrdiff_t>(front);
      const auto end = begin + static_cast<std::ptrdiff_t>(members);
      auto out = order.begin() + static_cast<std::ptrdiff_t>(placed);
      out = std::copy(middle, end, out);
      std::copy(begin, middle, out);
    }

    for (std::size_t j = 0; j < members; ++j) larger.Mark(group[j].index);
    placed = group_end;
  }
  return order;
}

}  // namespace sirvane
