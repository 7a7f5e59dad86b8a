#pragma once
// An open-addressing hash index from strings to the positions of a table that
// keeps them in first-seen order. The table owns the strings (interned, so
// their bytes never move); each slot holds a pointer to its key's bytes, so a
// lookup touches the slot and the key and nothing else.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace sirvane {

// A fast non-cryptographic 64-bit hash. The seed is chosen per run so that a
// crafted log cannot force collisions.
inline std::uint64_t HashBytes(std::string_view text, std::uint64_t seed) {
  const char* p = text.data();
  const std::size_t size = text.size();
  // The size is mixed with the seed by a multiplication, not an exclusive or:
  // otherwise a short text and an eight-byte one made to match it would
  // collide under every seed.
  std::uint64_t h = (seed ^ size) * 0x9E3779B97F4A7C15ull;
  h ^= h >> 32;
  // The last word is loaded whole, overlapping the one before when the size
  // is not a multiple of eight: a copy of the leftover bytes cost as much as
  // hashing the rest of a host name. The size is already in `h`, and texts of
  // one size still map their bytes to words one to one.
  std::uint64_t w = 0;
  if (size >= 8) {
    const char* const last = p + size - 8;
    for (; p < last; p += 8) {
      std::memcpy(&w, p, 8);
      h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
      h ^= h >> 31;
    }
    std::memcpy(&w, last, 8);
  } else if (size >= 4) {
    std::uint32_t first, end;
    std::memcpy(&first, p, 4);
    std::memcpy(&end, p + size - 4, 4);
    w = first | std::uint64_t{end} << 32;
  } else if (size > 0) {  // an empty view may have no data pointer
    const auto byte = [&](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(p[i])}; };
    w = byte(0) | byte(size / 2) << 8 | byte(size - 1) << 16;
  }
  h = (h ^ w) * 0x94D049BB133111EBull;
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
  // Kept, not computed: the size of a vector of 24-byte slots costs a
  // multiplication, and a lookup needs the mask at every step.
  std::size_t mask() const { return mask_; }
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
  // Makes room for `count` slots in all, so that adding them grows nothing.
  void Reserve(std::size_t count) {
    std::size_t capacity = slots_.empty() ? 2 : slots_.size();
    while (count * 8 > capacity * kFullness) capacity *= 2;
    if (capacity > slots_.size()) Rehash(capacity);
  }

 private:
  void Place(const Slot& slot) {
    std::size_t i = slot.Home() & mask();
    while (!slots_[i].IsFree()) i = (i + 1) & mask();
    slots_[i] = slot;
  }

  void Grow() {
    // Start small: with a million users of one host each, per-user tables
    // of eight slots would cost more than the names themselves.
    Rehash(slots_.empty() ? 2 : slots_.size() * 2);
  }
  void Rehash(std::size_t capacity) {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(capacity, Slot{});
    mask_ = capacity - 1;
    for (const Slot& slot : old) {
      if (!slot.IsFree()) Place(slot);
    }
  }

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;  // capacity - 1 once there are slots
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

// Whether two texts are equal, compared inline (see SameBytes).
inline bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && SameBytes(a.data(), b.data(), a.size());
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

  std::size_t size() const { return slots_.size(); }
  void Reserve(std::size_t count) { slots_.Reserve(count); }

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

// The same for a table with many keys (users, client addresses, page names):
// a slot holds only the position, 4 bytes instead of 24, and a lookup reads
// the key from the table itself (key_at(position)). A million users or
// addresses cost 8 to 16 MB of index. Growing needs the hashes again: hash_at
// gives the hash of the key at a position already indexed.
class PositionIndex {
 public:
  static constexpr std::uint32_t kNone = kNoPosition;

  // The position whose key equals `key`, or kNone; key_at(position) gives
  // the key stored at a position.
  template <typename KeyAt>
  std::uint32_t Find(std::string_view key, std::uint64_t hash, const KeyAt& key_at) const {
    if (slots_.empty()) return kNone;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Fold(hash) & mask;; i = (i + 1) & mask) {
      const std::uint32_t position = slots_[i];
      if (position == kNone) return kNone;
      if (SameText(key_at(position), key)) return position;
    }
  }

  // Records a key known to be absent.
  template <typename HashAt>
  void Insert(std::uint64_t hash, std::uint32_t position, const HashAt& hash_at) {
    if ((count_ + 1) * 8 > slots_.size() * kFullness) Rehash(slots_.empty() ? 2 : slots_.size() * 2, hash_at);
    Place(hash, position);
    ++count_;
  }
  std::size_t size() const { return count_; }
  // Makes room for `count` keys in all, so that adding them grows nothing.
  template <typename HashAt>
  void Reserve(std::size_t count, const HashAt& hash_at) {
    std::size_t capacity = slots_.empty() ? 2 : slots_.size();
    while (count * 8 > capacity * kFullness) capacity *= 2;
    if (capacity > slots_.size()) Rehash(capacity, hash_at);
  }

 private:
  // Half full at most: a probe costs a read of the key, not of the slot alone.
  static constexpr std::size_t kFullness = 4;

  static std::uint32_t Fold(std::uint64_t hash) { return static_cast<std::uint32_t>(hash ^ (hash >> 32)); }
  void Place(std::uint64_t hash, std::uint32_t position) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = Fold(hash) & mask;
    while (slots_[i] != kNone) i = (i + 1) & mask;
    slots_[i] = position;
  }
  template <typename HashAt>
  void Rehash(std::size_t capacity, const HashAt& hash_at) {
    std::vector<std::uint32_t> old(capacity, kNone);
    old.swap(slots_);
    for (const std::uint32_t position : old) {
      if (position != kNone) Place(hash_at(position), position);
    }
  }

  std::vector<std::uint32_t> slots_;  // positions; kNone where free
  std::size_t count_ = 0;
};

// A map from 64-bit keys (the client address keys of one user's list) to
// positions in that list, so only the run-wide string tables ever compare bytes.
class IdIndex {
 public:
  static constexpr std::uint64_t kFree = ~std::uint64_t{0};

  // The position recorded for `id`, or kNoPosition.
  std::uint32_t Find(std::uint64_t id) const {
    if (slots_.empty()) return kNoPosition;
    for (std::size_t i = Slot{id, 0}.Home() & slots_.mask();; i = (i + 1) & slots_.mask()) {
      if (slots_[i].id == id) return slots_[i].position;
      if (slots_[i].IsFree()) return kNoPosition;
    }
  }

  // Records an id (not kFree) known to be absent.
  void Insert(std::uint64_t id, std::uint32_t position) { slots_.Add(Slot{id, position}); }

 private:
  struct Slot {
    std::uint64_t id = kFree;
    std::uint32_t position = kNoPosition;
    std::size_t Home() const { return static_cast<std::size_t>((id * 0x9E3779B97F4A7C15ull) >> 32); }
    bool IsFree() const { return id == kFree; }
  };

  // Integer keys with a multiplicative hash probe well when fuller; a user's
  // index is one of many, so its size counts.
  ProbedSlots<Slot, 6> slots_;
};

// One user's hosts: while logs are read, a hash table from host id to the
// position in the user's list and the running traffic (keeping the sum in the
// slot that the lookup has just touched saves a second cache miss per log
// line); once reading is over, Finish replaces the table with the list in
// first-seen order. Most users of a large log have one host, so the first
// entry lives in the object itself and such a user allocates nothing. Once
// there is a table, that inline entry holds the table's mask and size
// instead, which keeps the object at 24 bytes (a million users hold a million
// of these) and the mask next to the table's pointer.
class HostIndex {
 public:
  struct Entry {
    std::uint32_t id = kNoPosition;
    std::uint32_t position = kNoPosition;
    std::int64_t traffic = 0;
    std::size_t Home() const { return static_cast<std::size_t>((std::uint64_t{id} * 0x9E3779B97F4A7C15ull) >> 32); }
    bool IsFree() const { return id == kNoPosition; }
  };

  HostIndex() = default;
  HostIndex(HostIndex&& other) noexcept : slots_(other.slots_), one_(other.one_) {
    other.slots_ = nullptr;
    other.one_ = Entry{};
  }
  HostIndex& operator=(HostIndex&& other) noexcept {
    if (this != &other) {
      delete[] slots_;
      slots_ = other.slots_;
      one_ = other.one_;
      other.slots_ = nullptr;
      other.one_ = Entry{};
    }
    return *this;
  }
  HostIndex(const HostIndex&) = delete;
  HostIndex& operator=(const HostIndex&) = delete;
  ~HostIndex() { delete[] slots_; }

  // The entry of `id`, or else the free slot where the lookup ended (its id
  // is then not `id`), or nullptr when the index cannot take `id` without
  // growing or reopening. Valid until the next Insert. Only while open.
  Entry* FindOrFree(std::uint32_t id) {
    if (slots_ == nullptr) return one_.id == id || one_.IsFree() ? &one_ : nullptr;
    const std::size_t mask = Mask();
    if (mask == 0) return nullptr;  // a finished list
    for (std::size_t i = Entry{id, 0, 0}.Home() & mask;; i = (i + 1) & mask) {
      if (slots_[i].id == id || slots_[i].IsFree()) return &slots_[i];
    }
  }
  // Records an id known to be absent in `free`, the slot FindOrFree gave for it,
  // when there is room; otherwise false.
  bool InsertAt(Entry& free, std::uint32_t id, std::int64_t traffic) {
    if (!HasRoomForOneMore()) return false;
    const std::uint32_t count = size();
    free = Entry{id, count, traffic};
    if (slots_ != nullptr) SetCount(count + 1);  // inline, one_ is now taken
    return true;
  }

  // Starts loading the slot where a lookup of `id` begins.
  void Prefetch(std::uint32_t id) const {
    if (slots_ != nullptr) __builtin_prefetch(&slots_[Entry{id, 0, 0}.Home() & Mask()]);
  }
  // Records an id known to be absent, growing (or reopening) the index when
  // needed.
  void Insert(std::uint32_t id, std::uint32_t position, std::int64_t traffic) {
    if (!HasRoomForOneMore()) Grow();
    if (slots_ == nullptr) {
      one_ = Entry{id, position, traffic};
    } else {
      Place(Entry{id, position, traffic});
      SetCount(size() + 1);
    }
  }
  std::uint32_t size() const {
    if (slots_ != nullptr) return one_.position;
    return one_.IsFree() ? 0 : 1;
  }

  // Whether the index is a finished list (Finish, not reopened since).
  bool finished() const { return slots_ != nullptr && Mask() == 0; }
  // Puts the entries in first-seen order, in a list of exactly their number
  // that replaces the table; the index then holds the list (begin, end) until
  // Reopen. Each entry is written straight to its place: following the cycles
  // of the order in place jumped about a table that may be megabytes.
  void Finish() {
    if (slots_ == nullptr || Mask() == 0) return;
    const std::size_t mask = Mask();
    const std::uint32_t count = size();
    Entry* const list = new Entry[count];
    for (std::size_t i = 0; i <= mask; ++i) {
      if (!slots_[i].IsFree()) list[slots_[i].position] = slots_[i];
    }
    delete[] slots_;
    if (count == 1) {
      one_ = list[0];
      delete[] list;
      slots_ = nullptr;
      return;
    }
    slots_ = list;
    one_.id = 0;  // the mask of a finished list
  }
  // Turns a finished list back into an index, to add to it.
  void Reopen() {
    if (!finished()) return;
    Entry* const list = slots_;
    const std::uint32_t count = size();
    std::size_t capacity = 4;
    while (std::size_t{count} * 8 > capacity * kFullness) capacity *= 2;
    Allocate(capacity);
    for (std::uint32_t k = 0; k < count; ++k) Place(list[k]);
    SetCount(count);
    delete[] list;
  }

  // The finished list in first-seen order (also right while at most one
  // entry is held).
  Entry* begin() { return finished() ? slots_ : &one_; }
  Entry* end() { return begin() + (slots_ == nullptr || finished() ? size() : 0); }
  const Entry* begin() const { return finished() ? slots_ : &one_; }
  const Entry* end() const { return begin() + (slots_ == nullptr || finished() ? size() : 0); }

  // Calls f(entry) for every entry, in no particular order.
  template <typename F>
  void ForEach(F&& f) const {
    if (slots_ == nullptr || finished()) {
      for (const Entry& entry : *this) f(entry);
      return;
    }
    const std::size_t mask = Mask();
    for (std::size_t i = 0; i <= mask; ++i) {
      if (!slots_[i].IsFree()) f(slots_[i]);
    }
  }

 private:
  // Up to seven eighths full: the ids are spread by a multiplicative hash.
  static constexpr std::size_t kFullness = 7;

  // With a table, one_ holds the mask (capacity - 1, or 0 for a finished
  // list) as its id and the number of entries as its position.
  std::size_t Mask() const { return one_.id; }
  void SetCount(std::uint32_t count) { one_.position = count; }

  bool HasRoomForOneMore() const {
    if (slots_ == nullptr) return one_.IsFree();
    const std::size_t mask = Mask();
    return mask != 0 && (std::size_t{size()} + 1) * 8 <= (mask + 1) * kFullness;
  }
  // A table of `capacity` free slots and no entries; the caller frees the
  // table it had, if any, once its entries are placed.
  void Allocate(std::size_t capacity) {
    slots_ = new Entry[capacity];
    one_ = Entry{static_cast<std::uint32_t>(capacity - 1), 0, 0};
  }
  void Place(const Entry& entry) {
    const std::size_t mask = Mask();
    std::size_t i = entry.Home() & mask;
    while (!slots_[i].IsFree()) i = (i + 1) & mask;
    slots_[i] = entry;
  }
  void Grow() {
    if (finished()) Reopen();
    if (HasRoomForOneMore()) return;
    if (slots_ == nullptr) {  // the one entry held inline moves into a table
      const Entry only = one_;
      Allocate(4);
      Place(only);
      SetCount(1);
      return;
    }
    Entry* const old = slots_;
    const std::size_t old_capacity = Mask() + 1;
    const std::uint32_t count = size();
    Allocate(old_capacity * 2);
    for (std::size_t i = 0; i < old_capacity; ++i) {
      if (!old[i].IsFree()) Place(old[i]);
    }
    SetCount(count);
    delete[] old;
  }

  Entry* slots_ = nullptr;  // the table, or the finished list; null while inline
  Entry one_;               // the entry while inline; the table's mask and size once there is one
};

// One user's distinct client addresses (keys below 2^63, see address_key.h)
// in first-seen order. Most users have one, held in the object itself; more
// go to a list with an index, so that a user with thousands is still O(1) a
// line. One word: the key shifted up with the low bit set, or a pointer to
// the list, or 0 when empty.
class AddressList {
 public:
  static constexpr std::uint64_t kNone = ~std::uint64_t{0};

  AddressList() = default;
  AddressList(AddressList&& other) noexcept : word_(other.word_) { other.word_ = 0; }
  AddressList& operator=(AddressList&& other) noexcept {
    if (this != &other) {
      Free();
      word_ = other.word_;
      other.word_ = 0;
    }
    return *this;
  }
  AddressList(const AddressList&) = delete;
  AddressList& operator=(const AddressList&) = delete;
  ~AddressList() { Free(); }

  // Adds `key` unless the list has it; true when added. Either way `key` is
  // then the last address.
  bool Add(std::uint64_t key) {
    if (word_ == 0) {
      word_ = (key << 1) | 1;
      return true;
    }
    if (IsOne()) {
      if (One() == key) return false;
      Many* const many = new Many;
      try {
        many->keys.push_back(One());
        many->index.Insert(One(), 0);
      } catch (...) {
        delete many;
        throw;
      }
      SetList(many);
    }
    Many& many = *List();
    many.last = key;
    if (many.index.Find(key) != kNoPosition) return false;
    many.index.Insert(key, static_cast<std::uint32_t>(many.keys.size()));
    many.keys.push_back(key);
    return true;
  }
  std::size_t size() const { return word_ == 0 ? 0 : IsOne() ? 1 : List()->keys.size(); }
  std::uint64_t operator[](std::size_t j) const { return IsOne() ? One() : List()->keys[j]; }
  // The key last added (or found already there), or kNone: a user's lines
  // mostly come from one address, and this skips the lookups for it.
  std::uint64_t last() const { return word_ == 0 ? kNone : IsOne() ? One() : List()->last; }

 private:
  struct Many {
    std::vector<std::uint64_t> keys;
    IdIndex index;  // key -> position in keys
    std::uint64_t last = kNone;
  };
  bool IsOne() const { return (word_ & 1) != 0; }
  std::uint64_t One() const { return word_ >> 1; }
  // The list's address is kept as a number (its low bit is 0: the list is
  // aligned), so it is turned back into a pointer from an integer.
  Many* List() const {
    return reinterpret_cast<Many*>(static_cast<std::uintptr_t>(word_));  // NOLINT(performance-no-int-to-ptr)
  }
  void SetList(Many* list) { word_ = reinterpret_cast<std::uintptr_t>(list); }
  void Free() {
    if (word_ != 0 && !IsOne()) delete List();
    word_ = 0;
  }

  std::uint64_t word_ = 0;
};

}  // namespace sirvane
