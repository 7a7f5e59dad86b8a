#pragma once
// Client addresses as 64-bit keys. Nearly every address in a proxy log is a
// dotted IPv4 address: such an address, written the usual way, is its own
// number and costs no memory beyond the key. Any other text is interned and
// its key is the id of the interned string.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "usage/text_ends.h"

namespace sirvane {

// Keys from here up to 2^33 are IPv4 addresses (the tag plus the number);
// keys below it are ids of interned strings.
inline constexpr std::uint64_t kIpv4Tag = std::uint64_t{1} << 32;
inline constexpr std::uint64_t kNoAddress = ~std::uint64_t{0};

// Ipv4Key (below) of the text of `size` bytes (7 to 15) held in `ends`.
inline std::uint64_t Ipv4KeyOf(TextEnds ends, std::size_t size) {
  // The text in a zeroed buffer: a number ends at the first byte that is no
  // digit, so no read below needs a bounds check, and the final check on the
  // length rejects a zero byte in the text itself.
  unsigned char b[24] = {};
  if (size >= 8) {
    std::memcpy(b, &ends.head, 8);
    std::memcpy(b + size - 8, &ends.tail, 8);
  } else {
    const auto first = static_cast<std::uint32_t>(ends.head), last = static_cast<std::uint32_t>(ends.head >> 32);
    std::memcpy(b, &first, 4);
    std::memcpy(b + 3, &last, 4);
  }
  std::uint32_t value = 0;
  std::size_t i = 0;
  for (int part = 0; part < 4; ++part) {
    const unsigned d0 = b[i] - unsigned{'0'}, d1 = b[i + 1] - unsigned{'0'}, d2 = b[i + 2] - unsigned{'0'};
    unsigned number;
    if (d0 > 9) return kNoAddress;
    if (d1 > 9) {
      number = d0;
      i += 1;
    } else if (d0 == 0) {  // a leading zero
      return kNoAddress;
    } else if (d2 > 9) {
      number = d0 * 10 + d1;
      i += 2;
    } else {
      number = d0 * 100 + d1 * 10 + d2;
      if (number > 255) return kNoAddress;
      i += 3;
    }
    value = value << 8 | number;
    if (part < 3) {
      if (b[i] != '.') return kNoAddress;
      ++i;
    }
  }
  return i == size ? kIpv4Tag | value : kNoAddress;
}

// The key of `text` when it is four numbers 0 to 255 separated by dots,
// each without leading zeros, so that AppendIpv4 gives the same text back;
// otherwise kNoAddress ("10.0.0.01" stays text: it must not meet "10.0.0.1").
inline std::uint64_t Ipv4Key(std::string_view text) {
  if (text.size() < 7 || text.size() > 15) return kNoAddress;
  return Ipv4KeyOf(EndsOf(text), text.size());
}

// Ipv4Key with its recent answers kept: a log's lines come from the same
// addresses again and again, and comparing two words is cheaper than reading
// a dotted address. A text is held exactly, by its ends (EndsOf) and its
// size, so a kept answer is never another text's.
class Ipv4Keys {
 public:
  std::uint64_t operator()(std::string_view text) {
    const std::size_t size = text.size();
    if (size < 7 || size > 15) return kNoAddress;
    const TextEnds ends = EndsOf(text);
    Kept& kept = kept_[EndsSlot(ends, kShift)];
    if (kept.ends.head == ends.head && kept.ends.tail == ends.tail && kept.size_and_key >> kSizeShift == size) {
      const std::uint64_t key = kept.size_and_key & kKeyBits;
      return key == 0 ? kNoAddress : key;
    }
    const std::uint64_t key = Ipv4KeyOf(ends, size);
    kept = Kept{ends, std::uint64_t{size} << kSizeShift | (key == kNoAddress ? 0 : key)};
    return key;
  }

 private:
  static constexpr int kShift = 10;  // 1024 texts, 24 KiB
  static constexpr int kSizeShift = 48;
  static constexpr std::uint64_t kKeyBits = (std::uint64_t{1} << kSizeShift) - 1;  // 0: no IPv4 address
  struct Kept {
    TextEnds ends;
    std::uint64_t size_and_key = 0;  // size 0: nothing kept
  };
  std::array<Kept, std::size_t{1} << kShift> kept_{};
};

inline bool IsIpv4Key(std::uint64_t key) { return key >= kIpv4Tag && key != kNoAddress; }

// Appends the dotted address of an IPv4 key.
void AppendIpv4(std::string& out, std::uint64_t key);

}  // namespace sirvane
