#pragma once
// A text of 1 to 16 bytes held exactly in two words, so that two such texts
// of one size are compared with two word comparisons instead of a byte loop.
#include <cstdint>
#include <cstring>
#include <string_view>

namespace sirvane {

inline constexpr std::size_t kMaxEndsSize = 16;

// For 8 to 16 bytes the first and last eight bytes, which overlap below 16;
// for 4 to 7 the first and last four, in `head`; below 4 each byte, in
// `head`. Texts of one size and different bytes have different ends.
struct TextEnds {
  std::uint64_t head = 0;
  std::uint64_t tail = 0;
};

// `text` must be 1 to kMaxEndsSize bytes.
inline TextEnds EndsOf(std::string_view text) {
  const char* const p = text.data();
  const std::size_t size = text.size();
  TextEnds ends;
  if (size >= 8) {
    std::memcpy(&ends.head, p, 8);
    std::memcpy(&ends.tail, p + size - 8, 8);
  } else if (size >= 4) {
    std::uint32_t first, last;
    std::memcpy(&first, p, 4);
    std::memcpy(&last, p + size - 4, 4);
    ends.head = first | std::uint64_t{last} << 32;
  } else {
    const auto byte = [p](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(p[i])}; };
    ends.head = byte(0) | byte(size / 2) << 8 | byte(size - 1) << 16;
  }
  return ends;
}

// Where a text's ends fall in a table of 2^bits entries: crafted texts can
// only make two of them share an entry, never be taken for one another.
inline std::size_t EndsSlot(TextEnds ends, int bits) {
  return static_cast<std::size_t>(((ends.head ^ (ends.tail * 0x9E3779B97F4A7C15ull)) * 0xBF58476D1CE4E5B9ull) >>
                                  (64 - bits));
}

}  // namespace sirvane
