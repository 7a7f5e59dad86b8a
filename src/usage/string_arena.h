#pragma once
// Interned strings: each distinct user name, host and address is copied once,
// into large blocks, and referred to by a view that stays valid for the run.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace sirvane {

// A string in an arena, its length stored before its bytes: a reference is
// one pointer, half a view, which counts in tables of a million names.
class CountedString {
 public:
  CountedString() = default;

  std::string_view view() const {
    if (at_ == nullptr) return std::string_view();
    const auto first = static_cast<unsigned char>(at_[0]);
    if (first != kLong) return std::string_view(at_ + 1, first);
    std::size_t size;
    std::memcpy(&size, at_ + 1, sizeof size);
    return std::string_view(at_ + 1 + sizeof size, size);
  }
  operator std::string_view() const { return view(); }
  bool empty() const { return at_ == nullptr; }
  friend bool operator==(CountedString a, std::string_view b) { return a.view() == b; }

 private:
  friend class StringArena;
  // One byte of length below kLong, else kLong and the length in full.
  static constexpr unsigned char kLong = 0xFF;
  static std::size_t Header(std::size_t size) { return size < kLong ? 1 : 1 + sizeof size; }
  explicit CountedString(const char* at) : at_(at) {}

  const char* at_ = nullptr;  // the header; null for the empty string
};

class StringArena {
 public:
  std::string_view Copy(std::string_view text) {
    if (text.empty()) return std::string_view();
    char* out = Reserve(text.size());
    std::memcpy(out, text.data(), text.size());
    return std::string_view(out, text.size());
  }

  // The same behind its length (see CountedString).
  CountedString CopyCounted(std::string_view text) {
    if (text.empty()) return CountedString();
    const std::size_t size = text.size();
    const std::size_t header = CountedString::Header(size);
    char* out = Reserve(header + size);
    if (header == 1) {
      out[0] = static_cast<char>(size);
    } else {
      out[0] = static_cast<char>(CountedString::kLong);
      std::memcpy(out + 1, &size, sizeof size);
    }
    std::memcpy(out + header, text.data(), size);
    return CountedString(out);
  }

  // Takes over the strings of `other`, which is left empty: references into
  // it stay valid, now owned here.
  void Adopt(StringArena& other) {
    for (std::unique_ptr<char[]>& block : other.blocks_) blocks_.push_back(std::move(block));
    other.blocks_.clear();
    other.next_ = nullptr;
    other.free_ = 0;
  }

 private:
  static constexpr std::size_t kBlockSize = 1 << 20;

  // Room for `size` bytes that stay where they are for the arena's life.
  char* Reserve(std::size_t size) {
    if (size > kBlockSize / 4) {
      // Big strings get a block of their own so that they waste nothing.
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
      return blocks_.back().get();
    }
    if (free_ < size) {
      // Not zeroed: every byte is written before it is read, and a block's
      // pages are only touched as strings fill it.
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
      next_ = blocks_.back().get();
      free_ = kBlockSize;
    }
    char* out = next_;
    next_ += size;
    free_ -= size;
    return out;
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  std::size_t free_ = 0;
};

}  // namespace sirvane
