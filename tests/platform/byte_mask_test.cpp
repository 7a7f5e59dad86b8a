#include "platform/byte_mask.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace sirvane {
namespace {

std::uint64_t Reference(const char* begin, std::size_t width, char byte) {
  std::uint64_t mask = 0;
  for (std::size_t i = 0; i < width; ++i) mask |= static_cast<std::uint64_t>(begin[i] == byte) << i;
  return mask;
}

// Every width from every offset into a buffer, so that a tail is built once
// from a whole block behind it, once from 32- or 16-byte chunks, once byte by
// byte; bytes outside [readable, begin + width) must never count.
template <typename Masks>
void CompareWithReference(const std::string& text, char byte) {
  for (std::size_t from = 0; from < text.size(); ++from) {
    for (std::size_t width = 1; width <= 64 && from + width <= text.size(); ++width) {
      const char* begin = text.data() + from;
      const std::uint64_t expected = Reference(begin, width, byte);
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

std::string RandomText(unsigned seed, char byte) {
  std::mt19937 rng(seed);
  std::string text(200, 'a');
  for (char& c : text) {
    const unsigned pick = rng() % 8;
    c = pick < 3 ? byte : pick == 3 ? static_cast<char>(0x80 | (rng() % 128)) : static_cast<char>('a' + rng() % 26);
  }
  return text;
}

TEST(ByteMaskTest, EveryWayGivesTheMaskOfTheBytes) {
  for (unsigned seed = 1; seed <= 3; ++seed) {
    for (char byte : {' ', '\n', '\xE4'}) {
      const std::string text = RandomText(seed, byte);
      CompareWithReference<PortableMasks>(text, byte);
#if defined(SIRVANE_X86_64_SCAN)
      CompareWithReference<Sse2Masks>(text, byte);
      if (BestByteScan() == ByteScan::kAvx2) CompareWithReference<Avx2Masks>(text, byte);
#endif
      if (HasFatalFailure()) return;
    }
  }
}

#if defined(SIRVANE_X86_64_SCAN)
TEST(ByteMaskTest, Avx2SelectsAndCountsBits) {
  if (BestByteScan() != ByteScan::kAvx2) GTEST_SKIP() << "no AVX2 here";
  const std::uint64_t masks[] = {1, 0x8000000000000000ull, 0x00F0F0F0F0F0F0F1ull, ~std::uint64_t{0}};
  for (std::uint64_t mask : masks) {
    std::uint64_t rest = mask;
    for (int k = 0; rest != 0; ++k, rest &= rest - 1) {
      EXPECT_EQ(Avx2Masks::Select(mask, k), std::countr_zero(rest)) << std::hex << mask << " bit " << k;
    }
    EXPECT_EQ(Avx2Masks::PopCount(mask), std::popcount(mask));
  }
}
#endif

}  // namespace
}  // namespace sirvane
