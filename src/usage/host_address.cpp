#include "usage/host_address.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sirvane {

namespace {

// Bit i set when url[i] is '/', for the first `width` (at most 64) bytes.
std::uint64_t SlashMask(const char* url, std::size_t width) {
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

std::string_view HostOfLongUrl(std::string_view url) {
  std::size_t pos = 0;
  if (url.empty() || url.front() != '/') {
    pos = url.find('/');
    if (pos == std::string_view::npos) return std::string_view();
  }
  pos = url.find_first_not_of('/', pos);
  if (pos == std::string_view::npos) return std::string_view();
  const std::size_t end = url.find('/', pos);
  return url.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
}

}  // namespace

std::string_view HostOfUrl(std::string_view url) {
  // The first '/', the first other byte after it and the next '/' after that,
  // as bits of the first 64 bytes; a URL that needs more is searched byte-wise.
  const std::size_t width = std::min<std::size_t>(url.size(), 64);
  const bool whole = url.size() <= 64;
  const std::uint64_t slashes = SlashMask(url.data(), width);
  if (slashes == 0) return whole ? std::string_view() : HostOfLongUrl(url);
  const std::uint64_t inside = width == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
  const std::uint64_t others = ~slashes & inside & (~std::uint64_t{0} << std::countr_zero(slashes));
  if (others == 0) return whole ? std::string_view() : HostOfLongUrl(url);
  const int begin = std::countr_zero(others);
  const std::uint64_t after = slashes & (~std::uint64_t{0} << begin);
  if (after != 0) return url.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(std::countr_zero(after) - begin));
  return whole ? url.substr(static_cast<std::size_t>(begin)) : HostOfLongUrl(url);
}

void AddHostTraffic(UsageTables& tables, std::string_view url, std::int64_t bytes, TReportRec& user) {
  tables.AddHostTraffic(user, HostOfUrl(url), bytes);
}

void AddAddress(UsageTables& tables, std::int32_t name_field, std::string_view address, TReportRec& user) {
  if (name_field == 1) return;
  tables.AddAddress(user, address);
}

}  // namespace sirvane
