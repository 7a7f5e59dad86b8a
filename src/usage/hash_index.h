#pragma once
// An open-addressing hash index from strings to the positions of a table that
// keeps them in first-seen order. The table owns the strings (interned, so
// their bytes never move); each slot holds a pointer to its key's bytes, so a
// lookup touches the slot and the key and nothing else.
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

// Linear probing over a power-of-two table kept at most `kFullness` eighths
// full; the slot type says where it belongs (Home) and whether it is free
// (IsFree).
template <typename Slot, std::size_t kFullness = 4>
class ProbedSlots {
 public:
  bool empty() const { return slots_.empty(); }
  std::size_t mask() const { return slots_.size() - 1; }
  const Slot& operator[](std::size_t i) const { return slots_[i]; }
  Slot& operator[](std::size_t i) { return slots_[i]; }
  std::size_t capacity() const { return slots_.size(); }
  std::size_t size() const { return count_; }

  void Add(const Slot& slot) {
    if (!HasRoomForOneMore()) Grow();
    Place(slot);
    ++count_;
  }
  bool HasRoomForOneMore() const { return (count_ + 1) * 8 <= slots_.size() * kFullness; }
  // Puts `slot` into `free`, a free slot where a lookup of it ended; only
  // while HasRoomForOneMore.
  void Fill(Slot& free, const Slot& slot) {
    free = slot;
    ++count_;
  }

 private:
  void Place(const Slot& slot) {
    std::size_t i = slot.Home() & mask();
    while (!slots_[i].IsFree()) i = (i + 1) & mask();
    slots_[i] = slot;
  }

  void Grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    // Start small: with a million users of one host each, per-user tables
    // of eight slots would cost more than the names themselves.
    slots_.assign(old.empty() ? 2 : old.size() * 2, Slot{});
    for (const Slot& slot : old) {
      if (!slot.IsFree()) Place(slot);
    }
  }

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

inline constexpr std::uint32_t kNoPosition = 0xFFFFFFFFu;

// Whether `size` bytes at `a` and `b` are equal. Keys are short (names,
// hosts): a few word compares inline instead of a memcmp call; words that
// overlap at the end, never a byte beyond `size`.
inline bool SameBytes(const char* a, const char* b, std::size_t size) {
  auto word = [](const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
  };
  if (size >= 8) {
    if (size > 64) return std::memcmp(a, b, size) == 0;
    for (std::size_t i = 0; i + 8 < size; i += 8) {
      if (word(a + i) != word(b + i)) return false;
    }
    return word(a + size - 8) == word(b + size - 8);
  }
  if (size >= 4) {
    auto half = [](const char* p) {
      std::uint32_t w;
      std::memcpy(&w, p, sizeof w);
      return w;
    };
    return half(a) == half(b) && half(a + size - 4) == half(b + size - 4);
  }
  return size == 0 || (a[0] == b[0] && a[size / 2] == b[size / 2] && a[size - 1] == b[size - 1]);
}

class HashIndex {
 public:
  static constexpr std::uint32_t kNone = kNoPosition;

  // The position whose key equals `key`, or kNone.
  std::uint32_t Find(std::string_view key, std::uint64_t hash) const {
    if (slots_.empty()) return kNone;
    const std::uint32_t h = Fold(hash);
    for (std::size_t i = h & slots_.mask();; i = (i + 1) & slots_.mask()) {
      const Slot& slot = slots_[i];
      if (slot.IsFree()) return kNone;
      if (slot.hash == h && slot.size == key.size() && SameBytes(slot.data, key.data(), key.size())) {
        return slot.position;
      }
    }
  }

  // Starts loading the slot where a lookup of `hash` begins.
  void Prefetch(std::uint64_t hash) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[Fold(hash) & slots_.mask()]);
  }

  // Starts loading the key bytes of the slot where a lookup of `hash` begins;
  // call it some time after Prefetch, when the slot itself has arrived.
  void PrefetchKey(std::uint64_t hash) const {
    if (!slots_.empty()) __builtin_prefetch(slots_[Fold(hash) & slots_.mask()].data);
  }

  // Records a key known to be absent; `stored` must stay valid (interned).
  void Insert(std::string_view stored, std::uint64_t hash, std::uint32_t position) {
    slots_.Add(Slot{stored.data(), static_cast<std::uint32_t>(stored.size()), Fold(hash), position});
  }

 private:
  struct Slot {
    const char* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t hash = 0;  // the folded hash: home slot and a quick check
    std::uint32_t position = kNone;
    std::size_t Home() const { return hash; }
    bool IsFree() const { return position == kNone; }
  };

  static std::uint32_t Fold(std::uint64_t hash) { return static_cast<std::uint32_t>(hash ^ (hash >> 32)); }

  ProbedSlots<Slot> slots_;
};

// A map from the ids of interned strings to positions in one user's list:
// each user's hosts and addresses are found by id, so only the run-wide
// string tables ever compare bytes.
class IdIndex {
 public:
  // The position recorded for `id`, or HashIndex::kNone.
  std::uint32_t Find(std::uint32_t id) const {
    if (slots_.empty()) return kNoPosition;
    for (std::size_t i = Slot{id, 0}.Home() & slots_.mask();; i = (i + 1) & slots_.mask()) {
      if (slots_[i].id == id) return slots_[i].position;
      if (slots_[i].IsFree()) return kNoPosition;
    }
  }

  // Records an id known to be absent.
  void Insert(std::uint32_t id, std::uint32_t position) { slots_.Add(Slot{id, position}); }

 private:
  struct Slot {
    std::uint32_t id = kNoPosition;
    std::uint32_t position = kNoPosition;
    std::size_t Home() const { return static_cast<std::size_t>((std::uint64_t{id} * 0x9E3779B97F4A7C15ull) >> 32); }
    bool IsFree() const { return id == kNoPosition; }
  };

  // Integer keys with a multiplicative hash probe well when fuller; a user's
  // index is one of many, so its size counts.
  ProbedSlots<Slot, 6> slots_;
};

// One user's hosts by host id: the position in the user's list and the running
// traffic. Keeping the sum in the slot that the lookup has just touched saves a
// second cache miss per log line; the list's traffic is brought up to date from
// here once a file has been read.
class HostIndex {
 public:
  struct Entry {
    std::uint32_t id = kNoPosition;
    std::uint32_t position = kNoPosition;
    std::int64_t traffic = 0;
    std::size_t Home() const { return static_cast<std::size_t>((std::uint64_t{id} * 0x9E3779B97F4A7C15ull) >> 32); }
    bool IsFree() const { return id == kNoPosition; }
  };

  // The entry of `id`, or else the free slot where the lookup ended (its id
  // is then not `id`), or nullptr in an empty index. Valid until the next Insert.
  Entry* FindOrFree(std::uint32_t id) {
    if (slots_.empty()) return nullptr;
    for (std::size_t i = Entry{id, 0, 0}.Home() & slots_.mask();; i = (i + 1) & slots_.mask()) {
      if (slots_[i].id == id || slots_[i].IsFree()) return &slots_[i];
    }
  }
  // Records an id known to be absent in `free`, the slot FindOrFree gave for it,
  // when there is room; otherwise false.
  bool InsertAt(Entry& free, std::uint32_t id, std::int64_t traffic) {
    if (!slots_.HasRoomForOneMore()) return false;
    slots_.Fill(free, Entry{id, size(), traffic});
    return true;
  }

  // Starts loading the slot where a lookup of `id` begins.
  void Prefetch(std::uint32_t id) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[Entry{id, 0, 0}.Home() & slots_.mask()]);
  }
  // Records an id known to be absent, growing the index when needed.
  void Insert(std::uint32_t id, std::uint32_t position, std::int64_t traffic) {
    slots_.Add(Entry{id, position, traffic});
  }
  // Calls f(entry) for every entry, in no particular order.
  template <typename F>
  void ForEach(F&& f) const {
    for (std::size_t i = 0; i < slots_.capacity(); ++i) {
      if (!slots_[i].IsFree()) f(slots_[i]);
    }
  }
  std::uint32_t size() const { return static_cast<std::uint32_t>(slots_.size()); }

 private:
  ProbedSlots<Entry, 7> slots_;
};

}  // namespace sirvane
