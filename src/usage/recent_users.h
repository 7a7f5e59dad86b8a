#pragma once
// The users of the names met last. Most log lines come from a few busy users:
// comparing two words costs less than hashing the name and comparing it in
// the user index. A name is held exactly (see text_ends.h), so a kept user is
// never another name's; two names that share an entry only push each other
// out.
#include <cstdint>
#include <string_view>
#include <vector>

#include "usage/text_ends.h"

namespace sirvane {

class RecentUsers {
 public:
  static constexpr std::uint32_t kNone = ~std::uint32_t{0};

  RecentUsers() : kept_(std::size_t{1} << kBits) {}

  // The user position kept for `name`, or kNone. Names longer than
  // kMaxEndsSize bytes, and the empty name, are never kept.
  std::uint32_t Find(std::string_view name) const {
    if (name.empty() || name.size() > kMaxEndsSize) return kNone;
    const TextEnds ends = EndsOf(name);
    const Kept& kept = kept_[EndsSlot(ends, kBits)];
    const bool same = kept.size == name.size() && kept.ends.head == ends.head && kept.ends.tail == ends.tail;
    return same ? kept.position : kNone;
  }

  // Keeps `position` as the user of `name`.
  void Keep(std::string_view name, std::uint32_t position) {
    if (name.empty() || name.size() > kMaxEndsSize) return;
    const TextEnds ends = EndsOf(name);
    kept_[EndsSlot(ends, kBits)] = Kept{ends, static_cast<std::uint32_t>(name.size()), position};
  }

 private:
  static constexpr int kBits = 10;  // 1024 names, 24 KiB
  struct Kept {
    TextEnds ends;
    std::uint32_t size = 0;  // 0: nothing kept
    std::uint32_t position = 0;
  };
  std::vector<Kept> kept_;
};

}  // namespace sirvane
