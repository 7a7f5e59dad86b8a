#pragma once
// Interned strings: each distinct user name, host and address is copied once,
// into large blocks, and referred to by a view that stays valid for the run.
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace sirvane {

class StringArena {
 public:
  std::string_view Copy(std::string_view text) {
    if (text.empty()) return std::string_view();
    if (text.size() > kBlockSize / 4) {
      // Big strings get a block of their own so that they waste nothing.
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(text.size()));
      std::memcpy(blocks_.back().get(), text.data(), text.size());
      return std::string_view(blocks_.back().get(), text.size());
    }
    if (free_ < text.size()) {
      // Not zeroed: every byte is written before it is read, and a block's
      // pages are only touched as strings fill it.
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
      next_ = blocks_.back().get();
      free_ = kBlockSize;
    }
    char* out = next_;
    std::memcpy(out, text.data(), text.size());
    next_ += text.size();
    free_ -= text.size();
    return std::string_view(out, text.size());
  }

 private:
  static constexpr std::size_t kBlockSize = 1 << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  std::size_t free_ = 0;
};

}  // namespace sirvane
