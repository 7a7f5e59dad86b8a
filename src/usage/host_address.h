#pragma once
// Per-user host traffic and client addresses.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "usage/usage_tables.h"

namespace sirvane {

// The host of a requested URL (already lower-cased, without spaces): the
// second field of the URL split at '/', which is empty when there is none.
// "http://host.example:8080/x" gives "host.example:8080", "host.example:443"
// gives "", "/index.html" gives "index.html".
// Inline (below): it is called for every log line.
inline std::string_view HostOfUrl(std::string_view url);

// HostOfUrl for any length, byte by byte.
std::string_view HostOfLongUrl(std::string_view url);

// Adds the line's bytes to the user's entry for the URL's host.
void AddHostTraffic(UsageTables& tables, std::string_view url, std::int64_t bytes, TReportRec& user);

// Records the client address once per user. Addresses are not kept while user
// names come from the first field, which is where the address usually is.
void AddAddress(UsageTables& tables, std::int32_t name_field, std::string_view address, TReportRec& user);

namespace host_address_detail {

// Bit i set when url[i] is '/', for the first `width` (at most 64) bytes.
inline std::uint64_t SlashMask(const char* url, std::size_t width) {
  std::uint64_t mask = 0;
#if defined(__SSE2__)
  if (width >= 16) {
    const __m128i slash = _mm_set1_epi8('/');
    auto mask16 = [&](std::size_t at) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(url + at));
      return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, slash))));
    };
    std::size_t i = 0;
    for (; i + 16 <= width; i += 16) mask |= mask16(i) << i;
    if (i < width) mask |= mask16(width - 16) << (width - 16);  // overlaps the block before
    return mask;
  }
#endif
  for (std::size_t i = 0; i < width; ++i) mask |= static_cast<std::uint64_t>(url[i] == '/') << i;
  return mask;
}

}  // namespace host_address_detail

inline std::string_view HostOfUrl(std::string_view url) {
  // The first '/', the first other byte after it and the next '/' after that,
  // as bits of the first 64 bytes; a URL that needs more is searched byte-wise.
  const std::size_t width = std::min<std::size_t>(url.size(), 64);
  const bool whole = url.size() <= 64;
  const std::uint64_t slashes = host_address_detail::SlashMask(url.data(), width);
  if (slashes == 0) return whole ? std::string_view() : HostOfLongUrl(url);
  const std::uint64_t inside = width == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
  const std::uint64_t others = ~slashes & inside & (~std::uint64_t{0} << std::countr_zero(slashes));
  if (others == 0) return whole ? std::string_view() : HostOfLongUrl(url);
  const int begin = std::countr_zero(others);
  const std::uint64_t after = slashes & (~std::uint64_t{0} << begin);
  if (after != 0) return url.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(std::countr_zero(after) - begin));
  return whole ? url.substr(static_cast<std::size_t>(begin)) : HostOfLongUrl(url);
}

}  // namespace sirvane
