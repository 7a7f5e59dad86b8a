#include "platform/byte_mask.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace sirvane {
namespace {

// Every width from every offset into a buffer, so that a tail is built once
// from a whole block behind it, once from 32- or 16-byte chunks, once byte by
// byte; bytes outside [readable, begin + width) must never count.
template <typename Masks>
void CompareWithReference(const std::string& text, char byte) {
  for (std::size_t from = 0; from < text.size(); ++from) {
    const char* begin = text.data() + from;
    std::uint64_t expected = 0;
    for (std::size_t width = 1; width <= 64 && from + width <= text.size(); ++width) {
      expected |= static_cast<std::uint64_t>(begin[width - 1] == byte) << (width - 1);
      for (std::size_t behind : {std::size_t{0}, std::size_t{1}, std::size_t{17}, from}) {
        if (behind > from) continue;
        ASSERT_EQ(Masks::Tail(begin, width, begin - behind, byte), expected)
            << "from " << from << ", width " << width << ", readable " << behind << " before";
      }
      if (width == 64) {
        ASSERT_EQ(Masks::Mask64(begin, byte), expected) << "from " << from;
      }
    }
  }
}

// The bit selection and counting of the AVX2 way are checked where fields are
// found with them (the split-fields and log-parser tests over every way).
TEST(ByteMaskTest, EveryWayGivesTheMaskOfTheBytes) {
  std::mt19937 rng(1);
  for (int round = 0; round < 3; ++round) {
    for (char byte : {' ', '\n', '\xE4'}) {
      std::string text(200, 'a');
      for (char& c : text) c = rng() % 8 < 3 ? byte : static_cast<char>(rng() % 256);
      CompareWithReference<PortableMasks>(text, byte);
#if defined(SIRVANE_X86_64_SCAN)
      CompareWithReference<Sse2Masks>(text, byte);
      if (BestByteScan() == ByteScan::kAvx2) CompareWithReference<Avx2Masks>(text, byte);
#endif
      if (HasFatalFailure()) return;
    }
  }
}

}  // namespace
}  // namespace sirvane
