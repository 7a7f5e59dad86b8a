#pragma once
// An open-addressing hash index from strings to the positions of a table that
// keeps them in first-seen order. The table owns the strings; the index holds
// only positions and a part of each hash.
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace sirvane {

// A fast non-cryptographic 64-bit hash. The seed is chosen per run so that a
// crafted log cannot force collisions.
inline std::uint64_t HashBytes(std::string_view text, std::uint64_t seed) {
  const char* p = text.data();
  std::size_t n = text.size();
  std::uint64_t h = seed ^ (0x9E3779B97F4A7C15ull * (n + 1));
  while (n >= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 31;
    p += 8;
    n -= 8;
  }
  std::uint64_t w = 0;
  if (n > 0) std::memcpy(&w, p, n);  // an empty view may have no data pointer
  h = (h ^ w ^ (std::uint64_t{n} << 59)) * 0x94D049BB133111EBull;
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return h;
}

class HashIndex {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  // The position whose key equals `key`, or kNone. `key_at(position)` gives
  // the stored key of a position.
  template <typename KeyAt>
  std::uint32_t Find(std::string_view key, std::uint64_t hash, const KeyAt& key_at) const {
    if (slots_.empty()) return kNone;
    const std::uint32_t tag = static_cast<std::uint32_t>(hash >> 32);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
      const Slot& slot = slots_[i];
      if (slot.position == kNone) return kNone;
      if (slot.tag == tag && key_at(slot.position) == key) return slot.position;
    }
  }

  // Records a key known to be absent. `hash_at(position)` re-hashes a stored
  // key when the index grows.
  template <typename HashAt>
  void Insert(std::uint64_t hash, std::uint32_t position, const HashAt& hash_at) {
    if ((count_ + 1) * 2 > slots_.size()) Grow(hash_at);
    Place(hash, position);
    ++count_;
  }

  std::size_t size() const { return count_; }

 private:
  struct Slot {
    std::uint32_t position = kNone;
    std::uint32_t tag = 0;
  };

  void Place(std::uint64_t hash, std::uint32_t position) {
    std::size_t mask = slots_.size() - 1;
    std::size_t i = static_cast<std::size_t>(hash) & mask;
    while (slots_[i].position != kNone) i = (i + 1) & mask;
    slots_[i] = Slot{position, static_cast<std::uint32_t>(hash >> 32)};
  }

  template <typename HashAt>
  void Grow(const HashAt& hash_at) {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 8 : old.size() * 2, Slot{});
    for (const Slot& slot : old) {
      if (slot.position != kNone) Place(hash_at(slot.position), slot.position);
    }
  }

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

}  // namespace sirvane
