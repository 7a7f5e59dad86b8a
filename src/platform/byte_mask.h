#pragma once
// Where a byte occurs, as a bit mask over up to 64 bytes: the scanning under
// cutting lines and finding fields. Three ways to build the masks: one byte at
// a time (anywhere), 16 bytes a compare (SSE2, every x86-64), 32 bytes a
// compare (AVX2, chosen at run time where the processor has it). The scanning
// loops are templates over these, compiled once per way; nothing outside the
// given bytes is ever read.
#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define SIRVANE_X86_64_SCAN 1
#endif

namespace sirvane {

enum class ByteScan { kPortable, kSse2, kAvx2 };

// The widest way this processor supports.
ByteScan BestByteScan();

// One byte at a time.
struct PortableMasks {
  static constexpr bool kSelects = false;  // no Select and PopCount: bits are walked
  static std::uint64_t Mask64(const char* at, char byte) {
    std::uint64_t mask = 0;
    for (int i = 0; i < 64; ++i) mask |= static_cast<std::uint64_t>(at[i] == byte) << i;
    return mask;
  }
  static std::uint64_t Tail(const char* begin, std::size_t width, const char* /*readable*/, char byte) {
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < width; ++i) mask |= static_cast<std::uint64_t>(begin[i] == byte) << i;
    return mask;
  }
  static int CountrZero(std::uint64_t mask) { return std::countr_zero(mask); }
};

#if defined(SIRVANE_X86_64_SCAN)

namespace byte_mask_detail {

// Bit i set when begin[i] == byte for i below `width` (1 to 64), from masks
// of `Chunks::kChunk` bytes: a tail shorter than a block is compared as the
// end of a whole block when the bytes from `readable` on allow it, else as
// chunks whose last one overlaps the one before.
template <typename Chunks>
[[gnu::always_inline]] inline std::uint64_t TailFromChunks(const char* begin, std::size_t width, const char* readable,
                                                            char byte) {
  const std::size_t before_end = static_cast<std::size_t>(begin + width - readable);
  if (before_end >= 64) return Chunks::Mask64(begin + width - 64, byte) >> (64 - width);
  std::uint64_t mask = 0;
  if (before_end >= Chunks::kChunk) {
    constexpr std::size_t kChunk = Chunks::kChunk;
    std::size_t i = 0;
    for (; i + kChunk <= width; i += kChunk) mask |= Chunks::MaskChunk(begin + i, byte) << i;
    if (i < width) {
      const std::uint64_t last = Chunks::MaskChunk(begin + width - kChunk, byte);
      mask |= width >= kChunk ? last << (width - kChunk) : last >> (kChunk - width);
    }
    return mask;
  }
  if (before_end >= 16) {
    std::size_t i = 0;
    for (; i + 16 <= width; i += 16) mask |= Chunks::Mask16(begin + i, byte) << i;
    if (i < width) {
      const std::uint64_t last = Chunks::Mask16(begin + width - 16, byte);
      mask |= width >= 16 ? last << (width - 16) : last >> (16 - width);
    }
    return mask;
  }
  for (std::size_t i = 0; i < width; ++i) mask |= static_cast<std::uint64_t>(begin[i] == byte) << i;
  return mask;
}

}  // namespace byte_mask_detail

// Sixteen bytes a compare.
struct Sse2Masks {
  static constexpr bool kSelects = false;
  static constexpr std::size_t kChunk = 16;
  [[gnu::always_inline]] static std::uint64_t MaskChunk(const char* at, char byte) { return Mask16(at, byte); }
  [[gnu::always_inline]] static std::uint64_t Mask16(const char* at, char byte) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return static_cast<std::uint64_t>(
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(byte)))));
  }
  [[gnu::always_inline]] static std::uint64_t Mask64(const char* at, char byte) {
    return MaskChunk(at, byte) | MaskChunk(at + 16, byte) << 16 | MaskChunk(at + 32, byte) << 32 |
           MaskChunk(at + 48, byte) << 48;
  }
  [[gnu::always_inline]] static std::uint64_t Tail(const char* begin, std::size_t width, const char* readable,
                                                   char byte) {
    return byte_mask_detail::TailFromChunks<Sse2Masks>(begin, width, readable, byte);
  }
  [[gnu::always_inline]] static int CountrZero(std::uint64_t mask) { return std::countr_zero(mask); }
};

// Thirty-two bytes a compare; only called from functions compiled for AVX2
// (SIRVANE_AVX2_TARGET) once BestByteScan() said so. Not forced inline: GCC
// refuses that into the shared templates, and inlines them anyway once those
// are inlined into a function for AVX2.
#define SIRVANE_AVX2_TARGET __attribute__((target("avx2,bmi,bmi2,popcnt")))
struct Avx2Masks {
  static constexpr bool kSelects = true;
  static constexpr std::size_t kChunk = 32;
  SIRVANE_AVX2_TARGET static inline std::uint64_t Mask16(const char* at, char byte) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return static_cast<std::uint64_t>(
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(byte)))));
  }
  SIRVANE_AVX2_TARGET static inline std::uint64_t MaskChunk(const char* at, char byte) {
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    return static_cast<std::uint64_t>(
        static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(byte)))));
  }
  SIRVANE_AVX2_TARGET static inline std::uint64_t Mask64(const char* at, char byte) {
    return MaskChunk(at, byte) | MaskChunk(at + 32, byte) << 32;
  }
  SIRVANE_AVX2_TARGET static inline std::uint64_t Tail(const char* begin, std::size_t width,
                                                                       const char* readable, char byte) {
    return byte_mask_detail::TailFromChunks<Avx2Masks>(begin, width, readable, byte);
  }
  SIRVANE_AVX2_TARGET static inline int CountrZero(std::uint64_t mask) {
    return static_cast<int>(_tzcnt_u64(mask));
  }
  SIRVANE_AVX2_TARGET static inline int PopCount(std::uint64_t mask) {
    return static_cast<int>(_mm_popcnt_u64(mask));
  }
  // The position of the set bit that has `k` (below PopCount(mask)) set bits
  // below it.
  SIRVANE_AVX2_TARGET static inline int Select(std::uint64_t mask, int k) {
    return static_cast<int>(_tzcnt_u64(_pdep_u64(std::uint64_t{1} << k, mask)));
  }
};

#endif  // SIRVANE_X86_64_SCAN

}  // namespace sirvane
